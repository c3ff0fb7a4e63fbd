// Renders the main window with each document given on the command line, one PNG per sheet:
//   vextor_screenshots <output directory> <document>...
// Runs on any platform plugin; meant for "offscreen". Messages the window would show are printed
// instead, and questions take the answer that loses nothing.

#include "app/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

namespace {
class PrintedPrompts : public MainWindow::Prompts
{
public:
    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton, const QPoint*) override
    {
        QTextStream(stderr) << "[" << title << "] " << text << "\n";
        return buttons.testFlag(QMessageBox::Discard) ? QMessageBox::Discard : defaultButton;
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QString text(QWidget*, const QString&, const QString&, const QString&, bool* ok) override
    {
        *ok = false;
        return QString();
    }
};

bool render(MainWindow& window, const QString& path)
{
    QApplication::processEvents();
    window.repaint();
    return window.grab().save(path);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: vextor_screenshots <output directory> <document>...\n";
        return 2;
    }
    const QDir out(args.takeFirst());
    if (!out.exists() && !QDir().mkpath(out.path())) {
        QTextStream(stderr) << "cannot create " << out.path() << "\n";
        return 1;
    }
    // Keep the user's recent files and window geometry out of this.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    int failures = 0;
    const QStringList documents = args.isEmpty() ? QStringList{QString()} : args;
    for (const QString& document : documents) {
        QString none;
        MainWindow window(none, nullptr, nullptr);
        window.setPrompts(std::make_unique<PrintedPrompts>());
        window.resize(950, 690);
        window.show();
        if (!document.isEmpty())
            window.open(document);
        const QString base =
            document.isEmpty() ? QStringLiteral("new") : QFileInfo(document).completeBaseName();
        for (int i = 0; i < window.sheetCount(); ++i) {
            window.tabWidget()->setCurrentIndex(i);
            const QString path = out.filePath(QStringLiteral("%1-sheet%2.png").arg(base).arg(i));
            if (render(window, path)) {
                QTextStream(stdout) << path << "\n";
            } else {
                QTextStream(stderr) << "cannot write " << path << "\n";
                ++failures;
            }
        }
    }
    return failures ? 1 : 0;
}
