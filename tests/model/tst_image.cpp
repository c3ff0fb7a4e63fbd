#include "model/blockDiagram.h"
#include "model/imageCapture.h"
#include "tests/support/dataRow.h"
#include "tests/support/diagramBuilder.h"

#include <QtTest>

namespace {
const QString HEADER =
    QStringLiteral("<table width=\"100%\">\n<tr><td></td><td>Current</td><td>Register</td></tr>\n");

// The function pool from tokens: C<mode>, D or N with a source suffix (l PreLogic, x input, f FeedBack).
QVector<BlockItem*> buildFunctions(BlockDiagram& d, const QString& layout)
{
    DiagramBuilder b(d);
    BlockItem* const drivers[] = {b.pre(QStringLiteral("_A")), b.input(QStringLiteral("IN-CH0")),
                                  b.feedBack()};
    QVector<BlockItem*> pool;
    for (const QString& token : layout.split(QLatin1Char(' '))) {
        const QString mode = token.mid(1).remove(QRegularExpression(QStringLiteral("[a-z]")));
        const QString settings =
            mode.isEmpty() ? QString() : QStringLiteral("Mode=%1 MainCnt=1usec").arg(mode);
        const int source = QStringLiteral("lxf").indexOf(token.back());
        BlockItem* driver = source >= 0 ? drivers[source] : nullptr;
        pool.append(token[0] == QLatin1Char('C')   ? b.cnt(settings, driver)
                    : token[0] == QLatin1Char('D') ? b.dly(settings, driver)
                                                   : b.non(driver));
    }
    return pool;
}

const quint32 BASES[5] = {0x0004, 0x2000, 0x2800, 0x3000, 0x3800};
const int SIZES[5] = {140, 2048, 2048, 2048, 2048};

using Stage = bool (BlockDiagram::*)(const QByteArray&, QString&);
const Stage STAGES[5] = {&BlockDiagram::verifyFunc, &BlockDiagram::verifyFrontendLUT,
                         &BlockDiagram::verifyOutputLUT, &BlockDiagram::verifyFeedbackLUT,
                         &BlockDiagram::verifyMsrCntLUT};

} // namespace

// Block mapping, register values, lookup-table bits and verification of the download image.
class TestImage : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QString>("functions");
        QTest::addColumn<QString>("slots_"); // pool index per slot, "-" empty
        QTest::addColumn<int>("backendSelect");
        QTest::addColumn<int>("counterFeedback");
        QTest::addColumn<int>("delayFeedback");
        auto row = [](const char* tag, const char* functions, const char* slots_, int select, int counter,
                      int delay) { QTest::newRow(tag) << functions << slots_ << select << counter << delay; };
        row("counters outnumber delays", "Cl Cl Cl Dl Dl", "- - - 3 4 0 1 2 - - -", 0x0718, 0, 0);
        row("delays outnumber counters", "Cl Cl Dl Dl Dl", "- - - 4 3 2 1 0 - - -", 0x0738, 0, 0);
        row("many counters, mode 9 first", "Cl C9 Cf Cl C9 Cl Dl Dx Dl Dx", "- 8 6 9 7 5 3 0 2 4 1", 0x001e,
            0x20, 0);
        row("counter fed back, delay fed back", "Cf Df", "- - - - - - 1 0 - - -", 0x0740, 0x10, 0x08);
        row("pass-throughs fill 0 1 2 then 8", "N N N N", "0 1 2 - - - - - 3 - -", 0x0700, 0, 0);
        row("no slot left for pass-through", "Cl Cl Cl Cl Cl Cl Cl Cl Cl Dx N N", "10 9 8 7 6 5 4 3 2 1 0",
            0x0002, 0, 0);
    }

    void placement()
    {
        QFETCH(QString, functions);
        BlockDiagram d;
        const QVector<BlockItem*> pool = buildFunctions(d, functions);
        d.blockMapping();
        QStringList slots_;
        for (int j = 0; j < BlockDiagram::SLOTS; ++j) {
            const int index = pool.indexOf(const_cast<BlockItem*>(d.slot(j)));
            slots_.append(index < 0 ? QStringLiteral("-") : QString::number(index));
        }
        QTEST(slots_.join(QLatin1Char(' ')), "slots_");
        QTEST(int(d.backendSelect()), "backendSelect");
        QTEST(int(d.counterFeedbackSelect()), "counterFeedback");
        QTEST(int(d.delayFeedbackSelect()), "delayFeedback");
    }

    void verify_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("addr"); // byte changed in the read-out, -1: none
        QTest::addColumn<int>("size"); // the read-out cut to this many bytes, -1: whole
        QTest::addColumn<QString>("expected");
        dataRow("16-bit register", 0, 0x0007, -1, "address 0x00000006\ncurrent:0718  register:0719\n");
        dataRow("8-bit register", 0, 0x000A, -1, "address 0x0000000a\ncurrent:03  register:02\n");
        dataRow("frontend entry 5", 1, 0x200B, -1, "address 0x0000200a\ncurrent:0f00  register:0f01\n");
        dataRow("feedback entry 0, first difference only", 3, 0x3000, -1,
                "address 0x00003000\ncurrent:10  register:11\n");
        dataRow("registers end before the oscillator", 0, -1, 0x84,
                "address 0x00000088\ncurrent:000007d0  register:missing\n");
        dataRow("empty output table", 2, -1, 0, "address 0x00002800\ncurrent:00  register:missing\n");
    }

    void verify()
    {
        QFETCH(int, stage);
        QFETCH(int, addr);
        QFETCH(int, size);
        QFETCH(QString, expected);
        // Delays in slots 3, 4 (units 0, 1), counters in 5, 6, 7 (units 2, 3, 4); one fed back.
        BlockDiagram d;
        DiagramBuilder b(d);
        b.input("IN-CH1", "bUser=false bHigh=true Vth=900");
        b.input("IN-USER")->setCnt(QStringLiteral("2usec"), QStringLiteral("30nsec"), QString());
        BlockItem* p0 = b.pre("_A and not _B", {"IN-CH0", "IN-CH1"});
        BlockItem* p1 = b.pre("_A xor _B", {"IN-CH2", "IN-CH3"});
        BlockItem* fb = b.feedBack();
        BlockItem* c0 = b.cnt("Mode=3 MainCnt=1.5usec SubCnt=200nsec", p0);
        b.cnt("", p0);
        b.cnt("", fb);
        b.dly("Delay=100ns", p1);
        b.dly("Delay=101ns", p1);
        BlockItem* q0 = b.post("_A", {c0});
        fb->setPort(0, b.post("not _A", {c0}));
        b.out(q0);
        b.msr("Mode=2 FileSave=false PATH=/tmp", q0);
        ImageCapture capture;
        d.download(&capture);

        QByteArray data = capture.range(BASES[stage], SIZES[stage]);
        if (addr >= 0) {
            data[int(addr - BASES[stage])] = char(data.at(int(addr - BASES[stage])) ^ 1);
            data[SIZES[stage] - 1] = char(data.at(SIZES[stage] - 1) ^ 0x40); // a later difference
        }
        QString report;
        d.initVerify(report);
        QCOMPARE((d.*STAGES[stage])(size < 0 ? data : data.left(size), report), expected.isEmpty());
        QCOMPARE(report, HEADER + expected);
        QCOMPARE(d.firstMismatch() ? d.firstMismatch()->text() : QString(), expected); // the same as data
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
