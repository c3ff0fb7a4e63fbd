// Times the editor's work on a document at its limits: one sheet filled with every resource of the
// module (inputs, logic columns, all function units, outputs, measure counters and FeedBacks) and
// nine more sheets with full input and logic columns. Prints the paint of the full sheet, the undo
// step of one edit, one undo and one redo of an edit of the full sheet (each reads that sheet
// again), the memory the history takes for 1,000 edits spread over the sheets, and a paste of the
// full sheet into an empty document, against the editor's goals. The undo and redo of the document
// alone, without windows, tell the views' share.

#include "app/mainwindow.h"
#include "editor/programWidget.h"
#include "io/document.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace {
const int STEPS = 1000;

// Counts the messages instead of showing them (a paste of all ten inputs refuses the two that
// become IN-CH0 on the way, as every copy of IN-OPT and IN-USER does).
class SilentPrompts : public MainWindow::Prompts
{
public:
    static int shown;
    QMessageBox::StandardButton ask(QWidget*, const Box& box) override
    {
        ++shown;
        return box.buttons.testFlag(QMessageBox::Discard) ? QMessageBox::Discard : box.defaultButton;
    }
};
int SilentPrompts::shown = 0;

QString entry(const QString& term, int id, const QString& name, const QStringList& nets,
              const QString& property)
{
    QString text =
        QStringLiteral("<entry term=\"%1\"><id>%2</id><name>%3</name>").arg(term).arg(id).arg(name);
    for (int k = 0; k < nets.size(); ++k)
        text += QStringLiteral("<net port=\"%1\">%2</net>").arg(k).arg(nets.at(k));
    if (!property.isEmpty())
        text += QStringLiteral("<property>%1</property>").arg(property);
    return text + QStringLiteral("</entry>\n");
}

// Ten sheets; sheet 0 holds every limited resource of the module, wired.
QByteArray fullDocument()
{
    const QString expr =
        QStringLiteral("_A and _B or _C xor not _D and _E or (_F and _G) or _H and not _I or _J");
    const QStringList inputs{"IN-CH0", "IN-CH1", "IN-CH2", "IN-CH3", "IN-CH4",
                             "IN-CH5", "IN-CH6", "IN-CH7", "IN-OPT", "IN-USER"};
    QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Vextor3 addr=\"192.168.10.16\" "
                       "tcpPort=\"24\" udpPort=\"4660\" Timeout=\"1\" autoConnect=\"true\">\n");
    for (int s = 0; s < 10; ++s) {
        text += QStringLiteral("<tab id=\"%1\" name=\"Sheet%2\">\n").arg(s).arg(s + 1);
        for (int i = 0; i < inputs.size(); ++i)
            text += entry(QStringLiteral("Input"), i, inputs.at(i), {}, QString());
        QStringList pre, functions, post;
        for (int i = 0; i < 14; ++i) {
            pre << QStringLiteral("PreLgc%1").arg(s * 14 + i);
            text += entry(QStringLiteral("PreLogic"), i, pre.last(), inputs, expr);
        }
        if (s == 0) {
            const char* kinds[] = {"CntFnc", "CntFnc", "CntFnc", "CntFnc", "DlyFnc", "DlyFnc",
                                   "DlyFnc", "DlyFnc", "NonFnc", "NonFnc", "NonFnc"};
            int counter = 0, delay = 0, pass = 0;
            for (int i = 0; i < 11; ++i) {
                const QString kind = QLatin1String(kinds[i]);
                const int n = kind == QLatin1String("CntFnc")   ? counter++
                              : kind == QLatin1String("DlyFnc") ? delay++
                                                                : pass++;
                functions << kind + QString::number(n);
                const QString property = kind == QLatin1String("CntFnc")
                                             ? QStringLiteral("Mode=0 MainCnt=100nsec SubCnt=20nsec")
                                         : kind == QLatin1String("DlyFnc") ? QStringLiteral("Delay=30ns")
                                                                           : QString();
                text += entry(kind, i, functions.last(), {pre.at(i)}, property);
            }
        }
        for (int i = 0; i < 14; ++i) {
            post << QStringLiteral("PstLgc%1").arg(s * 14 + i);
            text += entry(QStringLiteral("PostLogic"), i, post.last(), functions,
                          functions.isEmpty() ? QString() : expr);
        }
        if (s == 0) {
            int slot = 0;
            for (int i = 0; i < 8; ++i)
                text += entry(QStringLiteral("OUT-CH%1").arg(i), slot++, QStringLiteral("OUT-CH%1").arg(i),
                              {post.at(i)}, QStringLiteral("bNIM=true bTTL=false "));
            for (int i = 0; i < 4; ++i)
                text +=
                    entry(QStringLiteral("MsrCnt%1").arg(i), slot++, QStringLiteral("MsrCnt%1").arg(i),
                          {post.at(i), post.at(i + 4)}, QStringLiteral("Mode=5 FileSave=false PATH=/tmp"));
            for (int i = 0; i < 8; ++i)
                text += entry(QStringLiteral("FeedBack"), slot++, QStringLiteral("FeedBack%1").arg(i),
                              {post.at(i + 6)}, QString());
        }
        text += QStringLiteral("</tab>\n");
    }
    return (text + QStringLiteral("</Vextor3>\n")).toUtf8();
}

// The median of `reps` runs, in milliseconds; prepare runs before each, untimed, and then the event
// loop once, as between two commands of a user.
double median(int reps, const std::function<void()>& run, const std::function<void()>& prepare = {})
{
    QVector<double> times;
    for (int r = 0; r < reps; ++r) {
        if (prepare)
            prepare();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        run();
        times << double(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

std::unique_ptr<MainWindow> window()
{
    QString none;
    auto w = std::make_unique<MainWindow>(none, nullptr, nullptr);
    w->setPrompts(std::make_unique<SilentPrompts>());
    w->show();
    return w;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QTextStream out(stdout);

    const QString path = settings.filePath(QStringLiteral("full.vxt3"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fullDocument()) < 0)
            return 1;
    }
    auto w = window();
    w->open(path);
    int blocks = w->document()->diagram()->allBlocks().size();
    out << "document: " << w->sheetCount() << " sheets, " << blocks << " blocks, "
        << w->document()->sheet(0)->column(SheetModel::OutputColumn).size()
        << " in the full sheet's output column\n";
    if (!w->document()->readOK())
        out << "warning: the document did not read completely\n";

    ProgramWidget* sheet = w->programWidget(0);
    QPixmap canvas(sheet->size());
    const double paintMs = median(20, [&] { sheet->render(&canvas); });
    // An edit that changes one sheet: a block's user name, back and forth.
    BlockItem* renamed = w->document()->sheet(0)->column(SheetModel::PreLogicColumn).first();
    int renames = 0;
    const double snapshotMs = median(20, [&] {
        const DocumentSession::Edit step = w->session().edit();
        renamed->setUserName(QStringLiteral("U%1").arg(++renames % 2));
    });
    const double undoMs = median(10, [&] { w->action(QStringLiteral("action_Undo"))->trigger(); });
    const double redoMs = median(
        10, [&] { w->action(QStringLiteral("actionRe_do"))->trigger(); },
        [&] { w->action(QStringLiteral("action_Undo"))->trigger(); });

    // The same without windows: what of an undo is the document's own work.
    DocumentSession alone;
    alone.document()->parseFile(fullDocument());
    alone.startHistory();
    BlockItem* logic = alone.document()->sheet(0)->column(SheetModel::PreLogicColumn).first();
    for (int step = 0; step < 20; ++step) {
        const DocumentSession::Edit edit = alone.edit();
        logic->setUserName(QStringLiteral("U%1").arg(step));
    }
    const double documentUndoMs = median(10, [&] { alone.undo(); });
    const double documentRedoMs = median(
        10, [&] { alone.redo(); }, [&] { alone.undo(); });

    // 1,000 edits, each of one sheet, every sheet in turn: a rename of a logic block.
    w->session().startHistory();
    for (int step = 0; step < STEPS; ++step) {
        const DocumentSession::Edit edit = w->session().edit();
        const QMap<int, BlockItem*>& column =
            w->document()->sheet(step % w->sheetCount())->column(SheetModel::PostLogicColumn);
        column.value(step / w->sheetCount() % column.size())->setUserName(QStringLiteral("S%1").arg(step));
    }
    const DocumentHistory& history = w->session().history();
    const double historyMiB = double(history.memoryBytes()) / (1024 * 1024);
    const int kept = history.count();

    w->programWidget(0)->actionSelectAll();
    w->action(QStringLiteral("actionCopy"))->trigger();
    std::unique_ptr<MainWindow> target;
    const double pasteMs = median(
        5, [&] { target->action(QStringLiteral("actionPaste"))->trigger(); }, [&] { target = window(); });
    blocks = target->document()->diagram()->allBlocks().size();

    out << QStringLiteral("paint of the full sheet: %1 ms (goal < 16)\n").arg(paintMs, 0, 'f', 2);
    out << QStringLiteral("undo step of an edit:    %1 ms (goal < 5)\n").arg(snapshotMs, 0, 'f', 2);
    out << QStringLiteral("undo:                    %1 ms (goal < 16)\n").arg(undoMs, 0, 'f', 2);
    out << QStringLiteral("redo:                    %1 ms (goal < 16)\n").arg(redoMs, 0, 'f', 2);
    out << QStringLiteral("  of which the document: %1 ms undo, %2 ms redo\n")
               .arg(documentUndoMs, 0, 'f', 2)
               .arg(documentRedoMs, 0, 'f', 2);
    out << QStringLiteral("history of %1 steps:   %2 MiB (goal < 32; %3 steps kept, bound %4 MiB)\n")
               .arg(STEPS)
               .arg(historyMiB, 0, 'f', 2)
               .arg(kept)
               .arg(history.limit() / (1024 * 1024));
    out << QStringLiteral("paste of the full sheet: %1 ms (%2 blocks; %3 messages in all)\n")
               .arg(pasteMs, 0, 'f', 2)
               .arg(blocks)
               .arg(SilentPrompts::shown);
    return 0;
}
