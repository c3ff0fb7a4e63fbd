#include "model/blockDiagram.h"

#include <QTextDocument>
#include <QtTest>

#include <functional>

using Builder = std::function<void(BlockDiagram&)>;
Q_DECLARE_METATYPE(Builder)

namespace {
// Types a block (by default as its own name), stores its settings and gives it a user name.
BlockItem* typed(BlockItem* block, const QString& type, const QString& settings = QString(),
                 const QString& userName = QString())
{
    block->setType(type.isEmpty() ? block->getName() : type);
    block->setPropertyString(settings);
    if (!userName.isEmpty())
        block->setUserName(userName);
    return block;
}

BlockItem* input(BlockDiagram& d, const QString& name)
{
    return typed(d.createInput(0, 0, name), QStringLiteral("Input"));
}

BlockItem* pre(BlockDiagram& d, const QString& expr, const QString& userName = QString())
{
    return typed(d.createPreLogic(0, 0), QStringLiteral("PreLogic"), expr, userName);
}

BlockItem* post(BlockDiagram& d, const QString& expr)
{
    return typed(d.createPostLogic(0, 0), QStringLiteral("PostLogic"), expr);
}

BlockItem* cnt(BlockDiagram& d, const QString& settings)
{
    return typed(d.createCntFnc(0, 0), QStringLiteral("CntFnc"), settings);
}

BlockItem* dly(BlockDiagram& d)
{
    return typed(d.createDlyFnc(0, 0), QStringLiteral("DlyFnc"));
}

BlockItem* out(BlockDiagram& d, const QString& userName = QString())
{
    return typed(d.createOut(0, 0), QString(), QString(), userName);
}

BlockItem* msr(BlockDiagram& d, const QString& settings)
{
    return typed(d.createMsrCnt(0, 0), QString(), settings);
}

void wire(BlockItem* src, BlockItem* dst, int port = 0)
{
    dst->setPort(port, src);
}

// IN-CH0 -> PreLogic "_A" -> counter -> PostLogic "_A"; returns the PostLogic.
BlockItem* cleanChain(BlockDiagram& d)
{
    BlockItem* p = pre(d, QStringLiteral("_A"));
    wire(input(d, QStringLiteral("IN-CH0")), p);
    BlockItem* f = cnt(d, QStringLiteral("Mode=0 MainCnt=100nsec SubCnt=10nsec"));
    wire(p, f);
    BlockItem* q = post(d, QStringLiteral("_A"));
    wire(f, q);
    return q;
}
} // namespace

class TestDrc : public QObject
{
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<Builder>("build");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");

        QTest::newRow("clean chain") << Builder([](BlockDiagram& d) { wire(cleanChain(d), out(d)); })
                                     << "No error detected." << 0;
        QTest::newRow("output named by its channel, not its user name") << Builder([](BlockDiagram& d) {
            out(d, QStringLiteral("BEAM"));
        }) << "error: OUT-CH0: InputPort is not connected.\n" << 1;
        QTest::newRow("_B wired but unused, _C used but open") << Builder([](BlockDiagram& d) {
            BlockItem* p = pre(d, QStringLiteral("_A and _C"), QStringLiteral("COINC"));
            wire(input(d, QStringLiteral("IN-CH0")), p, 0);
            wire(input(d, QStringLiteral("IN-CH1")), p, 1);
            BlockItem* f = cnt(d, QString());
            wire(p, f);
            BlockItem* q = post(d, QStringLiteral("_A"));
            wire(f, q);
            wire(q, out(d));
        }) << "error: COINC: _C is not connected.\nwarning: COINC: _B is connected, but not used.\n"
                                                               << 1;
        QTest::newRow("unconfigured logic: error listed before the earlier warning")
            << Builder([](BlockDiagram& d) { pre(d, QString(), QStringLiteral("P")); })
            << "error: P is unconfigured.\nwarning: P: Outport is not connected.\n"
            << 1;
        QTest::newRow("oscillator counter with a source: warning only") << Builder([](BlockDiagram& d) {
            BlockItem* q = cleanChain(d);
            d.functions().first()->setPropertyString(QStringLiteral("Mode=9 MainCnt=50nsec SubCnt=50nsec"));
            wire(q, out(d));
        }) << "warning: CntFnc0: InputPort is connected, but not used.\n"
                                                                        << -1;
        QTest::newRow("oscillator counter without a source") << Builder([](BlockDiagram& d) {
            BlockItem* f = cnt(d, QStringLiteral("Mode=9 MainCnt=50nsec SubCnt=50nsec"));
            BlockItem* q = post(d, QStringLiteral("_A"));
            wire(f, q);
            wire(q, out(d));
        }) << "No error detected." << 0;
        QTest::newRow("delay without source and without use")
            << Builder([](BlockDiagram& d) { dly(d); })
            << "error: DlyFnc0: InputPort is not connected.\nwarning: DlyFnc0: Outport is not connected.\n"
            << 1;
        QTest::newRow("feedback and label-in need a driver, named by user name")
            << Builder([](BlockDiagram& d) {
                   d.createFeedBackIN(0, 0)->setType(QStringLiteral("FeedBack"));
                   BlockItem* l = d.createNIMLabelIN(0, 0);
                   l->setType(QStringLiteral("Label"));
                   l->setUserName(QStringLiteral("  TRIG "));
               })
            << "error: FeedBack0: InputPort is not connected.\nerror: TRIG: InputPort is not connected.\n"
            << 2;
        QTest::newRow("check order across kinds") << Builder([](BlockDiagram& d) {
            out(d);
            post(d, QStringLiteral("_A"));
            dly(d);
            pre(d, QStringLiteral("_B"));
        })
                                                  << "error: PreLgc0: _B is not connected.\n"
                                                     "error: DlyFnc0: InputPort is not connected.\n"
                                                     "error: PstLgc0: _A is not connected.\n"
                                                     "error: OUT-CH0: InputPort is not connected.\n"
                                                     "warning: PreLgc0: Outport is not connected.\n"
                                                     "warning: DlyFnc0: Outport is not connected.\n"
                                                     "warning: PstLgc0: Outport is not connected.\n"
                                                  << 4;

        // Measure counters: gate (mode bits 0..1), source (bits 2..3) and the log path.
        auto msrRow = [](const char* name, const QString& settings, bool gate, bool src, const QString& text,
                         int verdict) {
            QTest::newRow(name) << Builder([=](BlockDiagram& d) {
                BlockItem* q = cleanChain(d);
                wire(q, out(d));
                BlockItem* m = msr(d, settings);
                if (gate)
                    wire(q, m, 0);
                if (src)
                    wire(q, m, 1);
            }) << text << verdict;
        };
        msrRow("msr mode 0, GATE wired", QStringLiteral("Mode=0 FileSave=false PATH="), true, false,
               "warning: MsrCnt0: GATE is connected, but not used.\n", -1);
        msrRow("msr mode 1 without GATE", QStringLiteral("Mode=1 FileSave=false PATH="), false, false,
               "error: MsrCnt0: GATE is not connected.\n", 1);
        msrRow("msr mode 4 without SRC", QStringLiteral("Mode=4 FileSave=false PATH="), false, false,
               "error: MsrCnt0: SRC is not connected.\n", 1);
        msrRow(
            "msr mode 8 without SRC, GATE wired", QStringLiteral("Mode=8 FileSave=false PATH="), true, false,
            "error: MsrCnt0: SRC is not connected.\nwarning: MsrCnt0: GATE is connected, but not used.\n", 1);
        msrRow("msr logging to a missing path",
               QStringLiteral("Mode=0 FileSave=true PATH=/nonexistent/vextor"), false, false,
               "error: MsrCnt0: Save path does not exist.\n", 1);
        msrRow("msr logging to an existing directory",
               QStringLiteral("Mode=0 Unit=usec FileSave=true PATH=/tmp"), false, false, "No error detected.",
               0);
    }

    void report()
    {
        QFETCH(Builder, build);
        QFETCH(QString, text);
        QFETCH(int, verdict);

        BlockDiagram diagram;
        build(diagram);
        QTextDocument doc;
        QCOMPARE(diagram.drc(&doc), verdict);
        QCOMPARE(doc.toPlainText(), text);
    }

    void checkMsrCnt_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("unit");

        auto row = [](const char* tag, const QString& settings, int mode, const QString& path,
                      const QString& unit) { QTest::newRow(tag) << settings << mode << path << unit; };
        row("empty settings", "", 0, "", "nsec");
        row("unit taken from FileSave", "Mode=1 FileSave=usec PATH=/tmp/x", 1, "/tmp/x", "usec");
        row("FileSave unit wins over Unit", "Mode=2 Unit=msec FileSave=sec PATH=/data", 2, "/data", "sec");
        row("logging off clears the path", "Mode=5 Unit=sec FileSave=0 PATH=/x", 5, "", "sec");
        row("bit 3 clears the unit", "Mode=9 Unit=msec FileSave=true PATH=/tmp", 9, "/tmp", "");
        row("only the low four mode bits", "Mode=17 FileSave=true PATH=/tmp", 1, "/tmp", "nsec");
    }

    void checkMsrCnt()
    {
        QFETCH(QString, settings);
        QFETCH(int, mode);
        QFETCH(QString, path);
        QFETCH(QString, unit);

        BlockDiagram diagram;
        typed(diagram.createMsrCnt(0, 0, QStringLiteral("MsrCnt2")), QString(), settings,
              QStringLiteral(" SCALER "));

        int modes[4] = {7, 7, 7, 7};
        QString paths[4] = {"stale", "stale", "stale", "stale"};
        QString names[4];
        QString units[4] = {"stale", "stale", "stale", "stale"};
        diagram.checkMsrCnt(modes, paths, names, units);

        QCOMPARE(QVector<int>(modes, modes + 4), QVector<int>({-1, -1, mode, -1}));
        QCOMPARE(paths[2], path);
        QCOMPARE(units[2], unit);
        QCOMPARE(names[2], QStringLiteral("SCALER"));
    }
};

QTEST_GUILESS_MAIN(TestDrc)
#include "tst_drc.moc"
