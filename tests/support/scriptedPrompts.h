#pragma once

#include "app/mainwindow.h"

#include <QFile>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <memory>

// Answers the window's questions from scripts and records every message, so that tests can
// drive dialogs without a user.
class ScriptedPrompts : public Prompts
{
public:
    struct Shown
    {
        QString title;
        QString text;
        QMessageBox::StandardButton defaultButton;
    };

    QVector<Shown> shown;
    QList<QMessageBox::StandardButton> answers; // taken in order; the default button when empty
    QStringList saveNames;                      // taken in order; "" (cancel) when empty
    QStringList texts;
    bool textOk = true;

    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton defaultButton, const QPoint*) override
    {
        shown.append({title, text, defaultButton});
        return answers.isEmpty() ? defaultButton : answers.takeFirst();
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    QString text(QWidget*, const QString&, const QString&, const QString&, bool* ok) override
    {
        *ok = textOk;
        return texts.isEmpty() ? QString() : texts.takeFirst();
    }
};

// Keeps the window's persistent settings in a temporary folder for the rest of the test run.
inline std::unique_ptr<QTemporaryDir> isolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    auto dir = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir->path());
    return dir;
}

// A window whose questions are answered by scripted prompts (returned through prompts), with the
// document file opened when one is named and the command-line settings when given.
inline std::unique_ptr<MainWindow> scriptedWindow(ScriptedPrompts*& prompts, const QString& file = QString(),
                                                  InfoOstrum* info = nullptr)
{
    QString none;
    auto window = std::make_unique<MainWindow>(none, info, nullptr);
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    window->setPrompts(std::move(scripted));
    if (!file.isEmpty())
        window->open(file);
    return window;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A saved document whose one sheet holds one entry of the term per name, in slots 0, 1, ...;
// "%1" in the term stands for the slot.
inline QByteArray oneSheetDocument(const QString& term, const QStringList& names)
{
    QString text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Vextor3 addr=\"192.168.10.16\" tcpPort=\"24\" "
        "udpPort=\"4660\" Timeout=\"1\" autoConnect=\"true\">\n    <tab id=\"0\" name=\"Sheet1\">\n";
    for (int i = 0; i < names.size(); ++i)
        text += QStringLiteral(
                    "        <entry term=\"%1\">\n            <id>%2</id>\n            <name>%3</name>\n"
                    "        </entry>\n")
                    .arg(QString(term).replace(QLatin1String("%1"), QString::number(i)))
                    .arg(i)
                    .arg(names.at(i));
    return (text + "    </tab>\n</Vextor3>\n").toUtf8();
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
    if (bold) {
        QFont font = painter.font();
        font.setWeight(75);
        painter.setFont(font);
    }
    painter.drawText(pixmap.rect(), Qt::AlignHCenter | Qt::AlignVCenter, text);
    painter.end();
    return pixmap.toImage();
}
