#pragma once

#include <QMessageBox>

class QDialog;
class QPoint;
class QWidget;

// Every question and message the editor puts to the user goes through here, so that tests can
// answer them: the window's own, the sheets' and the block settings dialogs'. The default
// implementation shows the toolkit's own boxes and dialogs.
class Prompts
{
public:
    virtual ~Prompts();
    // A message box; at (screen coordinates) places it, null leaves it to the toolkit.
    virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                                const QString& text, QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton,
                                                const QPoint* at = nullptr);
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter);
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter);
    virtual QString text(QWidget* parent, const QString& title, const QString& label, const QString& text,
                         bool* ok);
    virtual QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir);
    // Runs a modal dialog to its end and returns its result.
    virtual int exec(QDialog* dialog);

    // A warning with an OK button.
    void warning(QWidget* parent, const QString& title, const QString& text);
};
