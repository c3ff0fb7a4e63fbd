#pragma once

#include "app/mainwindow.h"
#include "tests/support/documents.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Two sheets with every kind of block, labels used across the sheets and a FeedBack signal.
const QString FIXTURE = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/support/data/two_sheets.vxt3");

// Answers the window's questions and dialogs from scripts and records every message.
class ScriptedPrompts : public Prompts
{
public:
    struct Shown
    {
        QString title;
        QString text;
        QMessageBox::StandardButton defaultButton;
        QString informative = QString();
        QString details = QString();
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    // Drives a modal dialog (fills it, clicks its buttons) and returns its result.
    using DialogScript = std::function<int(QDialog&)>;

    QVector<Shown> shown;
    QList<QMessageBox::StandardButton> answers; // taken in order; the default button when empty
    QStringList saveNames;                      // taken in order; "" (cancel) when empty
    QStringList texts;                          // taken in order; cancelled when empty
    QString folder;                             // what the folder chooser returns
    QList<DialogScript> dialogs;                // taken in order; a dialog without one is cancelled
    QStringList dialogTitles;                   // of every modal dialog run

    QMessageBox::StandardButton ask(QWidget*, const Box& box) override
    {
        shown.append({box.title, box.text, box.defaultButton, box.informative, box.details, box.icon});
        return answers.isEmpty() ? box.defaultButton : answers.takeFirst();
    }
    int exec(QDialog& dialog) override
    {
        dialogTitles << dialog.windowTitle();
        return dialogs.isEmpty() ? int(QDialog::Rejected) : dialogs.takeFirst()(dialog);
    }
    // The texts shown so far, joined by "|".
    QString shownTexts() const
    {
        QStringList all;
        for (const Shown& s : shown)
            all.append(s.text);
        return all.join(QLatin1Char('|'));
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    QString existingDirectory(QWidget*, const QString&, const QString&) override { return folder; }
    QString text(QWidget*, const QString&, const QString&, const QString&, bool* ok) override
    {
        *ok = !texts.isEmpty();
        return *ok ? texts.takeFirst() : QString();
    }
};

inline QPushButton* okButton(QDialog& dialog)
{
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}
// Clicks OK and returns the dialog's result.
inline int clickOk(QDialog& dialog)
{
    okButton(dialog)->click();
    return dialog.result();
}

// Keeps the window's persistent settings in a temporary folder for the rest of the test run.
inline std::unique_ptr<QTemporaryDir> isolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    auto dir = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir->path());
    return dir;
}

// A window answered by scripted prompts (returned through prompts), showing file when named.
inline std::unique_ptr<MainWindow> scriptedWindow(ScriptedPrompts*& prompts, const QString& file = QString(),
                                                  InfoOstrum* info = nullptr)
{
    QString none;
    auto window = std::make_unique<MainWindow>(none, info, nullptr);
    prompts = new ScriptedPrompts;
    window->setPrompts(std::unique_ptr<Prompts>(prompts));
    if (!file.isEmpty())
        window->open(file);
    return window;
}

// A picture from the resources as a block or entry shows it: greyed when nothing is free, with the
// text centred on it, in bold for logic blocks.
inline QImage pictureWithText(const QString& resource, const QString& text, bool bold = false,
                              bool grey = false)
{
    QPixmap pixmap(resource);
    QPainter painter(&pixmap);
    if (grey)
        painter.fillRect(pixmap.rect(), QColor(127, 127, 127, 127));
    QFont font = painter.font();
    font.setWeight(bold ? 75 : font.weight());
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignHCenter | Qt::AlignVCenter, text);
    painter.end();
    return pixmap.toImage();
}
