#include "model/blockDiagram.h"
#include "model/imageCapture.h"

#include <QtTest>

namespace {
const QString HEADER =
    QStringLiteral("<table width=\"100%\">\n<tr><td></td><td>Current</td><td>Register</td></tr>\n");
const quint32 BASES[5] = {BlockDiagram::REG_DLY_FUNC, BlockDiagram::REG_FRONTEND_LUT_BEGIN,
                          BlockDiagram::REG_OUTPUT_BACKEND_LUT_BEGIN,
                          BlockDiagram::REG_FEEDBACK_BACKEND_LUT_BEGIN,
                          BlockDiagram::REG_MSRCNT_BACKEND_LUT_BEGIN};
const int SIZES[5] = {140, 2048, 2048, 2048, 2048};

// Types a block, gives it its settings and connects its drivers to inputs 0, 1, ...
BlockItem* setUp(BlockItem* block, const QString& type, const QString& settings,
                 const QVector<BlockItem*>& drivers)
{
    block->setType(type);
    if (!settings.isEmpty())
        block->setPropertyString(settings);
    for (int k = 0; k < drivers.size(); ++k)
        block->setPort(k, drivers.at(k));
    return block;
}
} // namespace

// Comparison of the module's read-back with the image the diagram produces.
class TestVerify : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Three counters and two delays: delays in slots 3, 4 (units 0, 1), counters in slots 5, 6, 7
        // (units 2, 3, 4); the third counter is fed back.
        m_pDiagram = new BlockDiagram;
        BlockDiagram& d = *m_pDiagram;
        QVector<BlockItem*> in;
        for (int ch = 0; ch < 4; ++ch)
            in.append(d.createInput(0, 0, QStringLiteral("IN-CH%1").arg(ch)));
        in.at(1)->setPropertyString(QStringLiteral("bUser=false bHigh=true Vth=900"));
        d.createInput(0, 0, QStringLiteral("IN-USER"))
            ->setCnt(QStringLiteral("2usec"), QStringLiteral("30nsec"), QString());

        m_pFrontLogic = setUp(d.createPreLogic(0, 0), "PreLogic", "_A and not _B", {in.at(0), in.at(1)});
        BlockItem* p1 = setUp(d.createPreLogic(0, 0), "PreLogic", "_A xor _B", {in.at(2), in.at(3)});
        BlockItem* fb = setUp(d.createFeedBackIN(0, 0), "FeedBack", QString(), {});
        QVector<BlockItem*> counters;
        for (int k = 0; k < 3; ++k)
            counters.append(setUp(d.createCntFnc(0, 0), "CntFnc", QString(), {k < 2 ? m_pFrontLogic : fb}));
        counters.at(0)->setPropertyString(QStringLiteral("Mode=3 MainCnt=1.5usec SubCnt=200nsec"));
        for (int k = 0; k < 2; ++k)
            setUp(d.createDlyFnc(0, 0), "DlyFnc", QStringLiteral("Delay=%1ns").arg(100 + k), {p1});

        BlockItem* q0 = setUp(d.createPostLogic(0, 0), "PostLogic", "_A", {counters.at(0)});
        fb->setPort(0, setUp(d.createPostLogic(0, 0), "PostLogic", "not _A", {counters.at(0)}));
        setUp(d.createOut(0, 0, QStringLiteral("OUT-CH0")), "OUT-CH0", QString(), {q0});
        setUp(d.createMsrCnt(0, 0, QStringLiteral("MsrCnt0")), "MsrCnt0", "Mode=2 FileSave=false PATH=/tmp",
              {q0});

        m_capture.clear();
        d.download(&m_capture);
    }

    void cleanup()
    {
        delete m_pDiagram;
        m_pDiagram = nullptr;
    }

    void downloadedImageVerifies()
    {
        QString report;
        m_pDiagram->initVerify(report);
        QCOMPARE(report, HEADER);
        for (int stage = 0; stage < 5; ++stage)
            QVERIFY2(runStage(stage, readOut(stage), report), qPrintable(report));
        QCOMPARE(report, HEADER);
    }

    void mismatch_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<quint32>("addr"); // byte changed in the read-out
        QTest::addColumn<int>("mask");     // xor-ed into it
        QTest::addColumn<int>("size");     // the read-out cut to this many bytes, -1: whole
        QTest::addColumn<QString>("expected");

        auto row = [](const char* tag, int stage, quint32 addr, int mask, const QString& expected) {
            QTest::newRow(tag) << stage << addr << mask << -1 << expected;
        };
        auto cut = [](const char* tag, int stage, int size, const QString& expected) {
            QTest::newRow(tag) << stage << BASES[stage] << 0 << size << expected;
        };
        row("backend select", 0, 0x0007u, 0x01, "address 0x00000006\ncurrent:0718  register:0719\n");
        row("counter mode unit 2", 0, 0x000Au, 0x80, "address 0x0000000a\ncurrent:03  register:83\n");
        row("frontend entry 5", 1, 0x200Bu, 0x01, "address 0x0000200a\ncurrent:0f00  register:0f01\n");
        row("output entry 0x20", 2, 0x2820u, 0x01, "address 0x00002820\ncurrent:01  register:00\n");
        row("feedback entry 0", 3, 0x3000u, 0x10, "address 0x00003000\ncurrent:10  register:00\n");
        row("measure counter entry 0x7ff", 4, 0x3FFFu, 0x80, "address 0x00003fff\ncurrent:01  register:81\n");
        cut("registers end before the oscillator", 0, 0x84,
            "address 0x00000088\ncurrent:000007d0  register:missing\n");
        cut("empty output table", 2, 0, "address 0x00002800\ncurrent:00  register:missing\n");
    }

    void mismatch()
    {
        QFETCH(int, stage);
        QFETCH(quint32, addr);
        QFETCH(int, mask);
        QFETCH(int, size);
        QFETCH(QString, expected);

        QString report;
        m_pDiagram->initVerify(report);
        QByteArray data = readOut(stage);
        data[int(addr - BASES[stage])] = char(data.at(int(addr - BASES[stage])) ^ mask);
        QVERIFY(!runStage(stage, size < 0 ? data : data.left(size), report));
        QCOMPARE(report, HEADER + expected);
    }

    void onlyFirstDifference()
    {
        QString report;
        m_pDiagram->initVerify(report);
        QByteArray data = readOut(2);
        data[0x7ff] = char(0x55);
        data[0x100] = char(0x44);
        QVERIFY(!m_pDiagram->verifyOutputLUT(data, report));
        QCOMPARE(report, HEADER + QStringLiteral("address 0x00002900\ncurrent:00  register:44\n"));
    }

    void expressionError()
    {
        m_pFrontLogic->setPropertyString(QStringLiteral("_A and ( _B"));
        QString report;
        m_pDiagram->initVerify(report);
        QVERIFY(m_pDiagram->verifyFunc(readOut(0), report));
        try {
            m_pDiagram->verifyFrontendLUT(readOut(1), report);
            QFAIL("no error thrown");
        } catch (const QString& message) {
            QCOMPARE(message, QStringLiteral("PreLgc0: invalid --- ')' is missimg."));
        }
    }

private:
    bool runStage(int stage, const QByteArray& data, QString& report)
    {
        switch (stage) {
        case 0:
            return m_pDiagram->verifyFunc(data, report);
        case 1:
            return m_pDiagram->verifyFrontendLUT(data, report);
        case 2:
            return m_pDiagram->verifyOutputLUT(data, report);
        case 3:
            return m_pDiagram->verifyFeedbackLUT(data, report);
        default:
            return m_pDiagram->verifyMsrCntLUT(data, report);
        }
    }

    // What the module returns for a stage after holding the captured download (unwritten bytes 0).
    QByteArray readOut(int stage) const
    {
        QByteArray data(SIZES[stage], 0);
        for (const ImageCapture::Byte& b : m_capture.bytes()) {
            if (b.first >= BASES[stage] && b.first < BASES[stage] + quint32(SIZES[stage]))
                data[int(b.first - BASES[stage])] = char(b.second);
        }
        return data;
    }

    BlockDiagram* m_pDiagram = nullptr;
    ImageCapture m_capture;
    BlockItem* m_pFrontLogic = nullptr;
};

QTEST_GUILESS_MAIN(TestVerify)
#include "tst_verify.moc"
