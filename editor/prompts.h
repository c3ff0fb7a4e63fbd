#pragma once

#include <QMessageBox>

class QDialog;
class QPoint;
class QWidget;

// Every question and message the editor puts to the user, and every modal dialog it runs, goes
// through here, so that tests can answer them. The default implementation shows the toolkit's own
// boxes and dialogs.
class Prompts
{
public:
    // Everything a message box shows. at (screen coordinates) places it; null leaves it to the
    // toolkit.
    struct Box
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QString informative; // below the text
        QString details;     // behind the box's "Show Details..." button
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        const QPoint* at = nullptr;
    };

    // Room a title bar takes beside its title: the window's icon and buttons, and margins.
    static constexpr int TITLE_BAR_EXTRA = 160;

    virtual ~Prompts();
    virtual QMessageBox::StandardButton ask(QWidget* parent, const Box& box);
    // A message box without informative text or details.
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
    // Runs a modal dialog to its end; returns its result (QDialog::Accepted or Rejected).
    virtual int exec(QDialog& dialog);

    // A warning with an OK button.
    void warning(QWidget* parent, const QString& title, const QString& text);
};
