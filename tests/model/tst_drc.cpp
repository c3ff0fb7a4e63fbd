#include "tests/support/diagramBuilder.h"

#include "tests/support/dataRow.h"
#include <QTextDocument>

#include <QtTest>

#include <functional>

using Build = std::function<void(DiagramBuilder&)>;
Q_DECLARE_METATYPE(Build)

namespace {
// IN-CH0 -> PreLogic "_A" -> counter -> PostLogic "_A"; returns the PostLogic.
BlockItem* cleanChain(DiagramBuilder& b)
{
    return b.post("_A", {b.cnt("Mode=0 MainCnt=100nsec SubCnt=10nsec", b.pre("_A", {"IN-CH0"}))});
}

BlockItem* named(BlockItem* block, const QString& userName)
{
    block->setUserName(userName);
    return block;
}
} // namespace

class TestDrc : public QObject
{
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<Build>("build");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");
        auto row = [](const char* tag, int verdict, const char* text, const Build& build) {
            dataRow(tag, build, text, verdict);
        };
        row("output named by its channel, not its user name", 1,
            "error: OUT-CH0: InputPort is not connected.\n",
            [](DiagramBuilder& b) { named(b.out(), "BEAM"); });
        row("_B wired but unused, _C used but open", 1,
            "error: COINC: _C is not connected.\nwarning: COINC: _B is connected, but not used.\n",
            [](DiagramBuilder& b) {
                b.out(b.post("_A", {b.cnt("", named(b.pre("_A and _C", {"IN-CH0", "IN-CH1"}), "COINC"))}));
            });
        row("unconfigured logic: error listed before the earlier warning", 1,
            "error: P is unconfigured.\nwarning: P: Outport is not connected.\n",
            [](DiagramBuilder& b) { named(b.pre(""), "P"); });
        row("oscillator counter with a source: warning only", -1,
            "warning: CntFnc0: InputPort is connected, but not used.\n", [](DiagramBuilder& b) {
                b.out(b.post("_A", {b.cnt("Mode=9 MainCnt=50nsec SubCnt=50nsec", b.pre("_A", {"IN-CH0"}))}));
            });
        row("oscillator counter without a source", 0, "No error detected.",
            [](DiagramBuilder& b) { b.out(b.post("_A", {b.cnt("Mode=9 MainCnt=50nsec SubCnt=50nsec")})); });
        row("feedback and label-in need a driver, named by user name", 2,
            "error: FeedBack0: InputPort is not connected.\nerror: TRIG: InputPort is not connected.\n",
            [](DiagramBuilder& b) { b.feedBack(), named(b.labelIn(), "  TRIG "); });
        row("check order across kinds", 4,
            "error: PreLgc0: _B is not connected.\nerror: DlyFnc0: InputPort is not connected.\n"
            "error: PstLgc0: _A is not connected.\nerror: OUT-CH0: InputPort is not connected.\n"
            "warning: PreLgc0: Outport is not connected.\nwarning: DlyFnc0: Outport is not connected.\n"
            "warning: PstLgc0: Outport is not connected.\n",
            [](DiagramBuilder& b) { b.out(), b.post("_A"), b.dly(), b.pre("_B"); });

        // Measure counters: gate (mode bits 0..1), source (bits 2..3) and the log path.
        auto msrRow = [](const char* tag, const QString& settings, bool gate, const char* text, int verdict) {
            QTest::newRow(tag) << Build([=](DiagramBuilder& b) {
                BlockItem* q = cleanChain(b);
                b.out(q);
                b.msr(settings, gate ? q : nullptr);
            }) << text << verdict;
        };
        msrRow("msr mode 0, GATE wired", "Mode=0 FileSave=false PATH=", true,
               "warning: MsrCnt0: GATE is connected, but not used.\n", -1);
        msrRow("msr mode 1 without GATE", "Mode=1 FileSave=false PATH=", false,
               "error: MsrCnt0: GATE is not connected.\n", 1);
        msrRow("msr mode 8 without SRC, GATE wired", "Mode=8 FileSave=false PATH=", true,
               "error: MsrCnt0: SRC is not connected.\nwarning: MsrCnt0: GATE is connected, but not used.\n",
               1);
        msrRow("msr logging to a missing path", "Mode=0 FileSave=true PATH=/nonexistent/vextor", false,
               "error: MsrCnt0: Save path does not exist.\n", 1);
        msrRow("msr logging to an existing directory", "Mode=0 Unit=usec FileSave=true PATH=/tmp", false,
               "No error detected.", 0);
        QTest::newRow("msr SRC wired but unused") << Build([](DiagramBuilder& b) {
            BlockItem* q = cleanChain(b);
            b.out(q);
            b.msr("", nullptr, q);
        }) << "warning: MsrCnt0: SRC is connected, but not used.\n"
                                                  << -1;
    }

    void report()
    {
        QFETCH(Build, build);
        BlockDiagram diagram;
        DiagramBuilder builder(diagram);
        build(builder);
        QTextDocument doc;
        QTEST(diagram.drc(&doc), "verdict");
        QTEST(doc.toPlainText(), "text");
    }

    void checkMsrCnt_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("unit");
        dataRow("empty settings", "", 0, "", "nsec");
        dataRow("unit taken from FileSave", "Mode=1 FileSave=usec PATH=/tmp/x", 1, "/tmp/x", "usec");
        dataRow("FileSave unit wins over Unit", "Mode=2 Unit=msec FileSave=sec PATH=/d", 2, "/d", "sec");
        dataRow("logging off clears the path", "Mode=5 Unit=sec FileSave=0 PATH=/x", 5, "", "sec");
        dataRow("bit 3 clears the unit", "Mode=9 Unit=msec FileSave=true PATH=/tmp", 9, "/tmp", "");
        dataRow("only the low four mode bits", "Mode=17 FileSave=true PATH=/tmp", 1, "/tmp", "nsec");
    }

    void checkMsrCnt()
    {
        QFETCH(QString, settings);
        BlockDiagram diagram;
        named(DiagramBuilder(diagram).msr(settings, nullptr, nullptr, "MsrCnt2"), " SCALER ");
        int modes[4] = {7, 7, 7, 7};
        QString paths[4] = {"stale", "stale", "stale", "stale"};
        QString names[4];
        QString units[4] = {"stale", "stale", "stale", "stale"};
        diagram.checkMsrCnt(modes, paths, names, units);
        QFETCH(int, mode);
        QCOMPARE(QVector<int>(modes, modes + 4), QVector<int>({-1, -1, mode, -1}));
        QTEST(paths[2], "path");
        QTEST(units[2], "unit");
        QCOMPARE(names[2], QStringLiteral("SCALER"));
    }
};

QTEST_GUILESS_MAIN(TestDrc)
#include "tst_drc.moc"
