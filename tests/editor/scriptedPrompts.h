#pragma once

#include "mainwindow.h"

#include <QStringList>
#include <QVector>

// Answers the window's questions from scripts and records every message, so that tests can
// drive dialogs without a user.
class ScriptedPrompts : public MainWindow::Prompts
{
public:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };

    QVector<Shown> shown;
    QList<QMessageBox::StandardButton> answers; // taken in order; the default button when empty
    QStringList openNames;
    QStringList saveNames; // taken in order; "" (cancel) when empty
    QStringList saveDirs;  // start directories the save dialog was given
    QStringList texts;
    bool textOk = true;

    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton, const QPoint*) override
    {
        shown.append({icon, title, text, buttons, defaultButton});
        return answers.isEmpty() ? defaultButton : answers.takeFirst();
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString saveFileName(QWidget*, const QString&, const QString& dir, const QString&) override
    {
        saveDirs.append(dir);
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    QString text(QWidget*, const QString&, const QString&, const QString&, bool* ok) override
    {
        *ok = textOk;
        return texts.isEmpty() ? QString() : texts.takeFirst();
    }
};
