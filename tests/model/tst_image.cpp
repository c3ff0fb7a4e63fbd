#include "model/blockDiagram.h"
#include "model/imageCapture.h"

#include <QtTest>

namespace {
template<typename T> T* typed(T* block, const QString& type)
{
    block->setType(type);
    return block;
}

// Builds the function pool from tokens, in pool order: "C<mode>" or "C" counter, "D" delay,
// "N" pass-through; a suffix names the source: "l" PreLogic, "x" an input, "f" a feedback,
// "-" nothing. Examples: "Cl", "C9-", "Df", "N".
QVector<BlockItem*> buildFunctions(BlockDiagram& d, const QString& layout)
{
    BlockItem* const drivers[] = {
        typed(d.createPreLogic(0, 0), QStringLiteral("PreLogic")),
        typed(d.createInput(0, 0, QStringLiteral("IN-CH0")), QStringLiteral("Input")),
        typed(d.createFeedBackIN(0, 0), QStringLiteral("FeedBack"))};
    QVector<BlockItem*> pool;
    for (const QString& token : layout.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QChar kind = token.at(0);
        BlockItem* f = kind == QLatin1Char('C')   ? typed(d.createCntFnc(0, 0), QStringLiteral("CntFnc"))
                       : kind == QLatin1Char('D') ? typed(d.createDlyFnc(0, 0), QStringLiteral("DlyFnc"))
                                                  : typed(d.createNonFnc(0, 0), QStringLiteral("NonFnc"));
        int digits = 1;
        while (digits < token.size() && token.at(digits).isDigit())
            ++digits;
        if (digits > 1)
            f->setPropertyString(
                QStringLiteral("Mode=%1 MainCnt=1usec SubCnt=1usec").arg(token.mid(1, digits - 1)));
        const QString source = token.mid(digits);
        if (source.size() == 1 && QStringLiteral("lxf").contains(source))
            f->setPort(0, drivers[QStringLiteral("lxf").indexOf(source)]);
        pool.append(f);
    }
    return pool;
}

// The slot table as pool indices, "-" for an empty slot.
QString slotText(const BlockDiagram& d, const QVector<BlockItem*>& pool)
{
    QStringList slots_;
    for (int j = 0; j < BlockDiagram::SLOTS; ++j) {
        const int index = pool.indexOf(const_cast<BlockItem*>(d.slot(j)));
        slots_.append(index < 0 ? QStringLiteral("-") : QString::number(index));
    }
    return slots_.join(QLatin1Char(' '));
}

// Reads a big-endian value of `width` bytes from a capture.
quint32 valueAt(const ImageCapture& capture, quint32 addr, int width)
{
    quint32 value = 0;
    for (int b = 0; b < width; ++b) {
        const int byte = capture.byteAt(addr + quint32(b));
        if (byte < 0)
            return 0xDEADBEEF;
        value = (value << 8) | quint32(byte);
    }
    return value;
}

PreLogic* preLogic(BlockDiagram& d, const QString& expr, const QStringList& channels)
{
    PreLogic* logic = typed(d.createPreLogic(0, 0), QStringLiteral("PreLogic"));
    logic->setPropertyString(expr);
    for (int k = 0; k < channels.size(); ++k) {
        if (channels.at(k).isEmpty())
            continue;
        NIM_IN* in = d.searchNIM_IN(channels.at(k), 0);
        if (!in)
            in = d.createInput(0, 0, channels.at(k));
        logic->setPort(k, in);
    }
    return logic;
}

PostLogic* postLogic(BlockDiagram& d, const QString& expr, const QVector<BlockItem*>& inputs)
{
    PostLogic* logic = typed(d.createPostLogic(0, 0), QStringLiteral("PostLogic"));
    logic->setPropertyString(expr);
    for (int k = 0; k < inputs.size(); ++k) {
        if (inputs.at(k))
            logic->setPort(k, inputs.at(k));
    }
    return logic;
}

BlockItem* function(BlockDiagram& d, const char* kind, BlockItem* driver = nullptr)
{
    BlockItem* f =
        QLatin1String(kind) == QLatin1String("NonFnc") ? d.createNonFnc(0, 0) : d.createCntFnc(0, 0);
    if (QLatin1String(kind) == QLatin1String("DlyFnc"))
        f->setName(QStringLiteral("DlyFnc%1").arg(d.functions().size()));
    f->setType(QLatin1String(kind));
    if (driver)
        f->setPort(0, driver);
    return f;
}

BlockItem* out(BlockDiagram& d, const QString& kind, BlockItem* driver0, BlockItem* driver1 = nullptr)
{
    BlockItem* b =
        kind.startsWith(QLatin1String("MsrCnt")) ? d.createMsrCnt(0, 0, kind) : d.createOut(0, 0, kind);
    b->setType(kind);
    if (driver0)
        b->setPort(0, driver0);
    if (driver1)
        b->setPort(1, driver1);
    return b;
}
} // namespace

// Block mapping, register values, write order and lookup-table bits of the download image.
class TestImage : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QString>("functions");
        QTest::addColumn<QString>("slots_");
        QTest::addColumn<int>("backendSelect");
        QTest::addColumn<int>("counterFeedback");
        QTest::addColumn<int>("delayFeedback");

        auto row = [](const char* tag, const QString& functions, const QString& slots_, int select,
                      int counter,
                      int delay) { QTest::newRow(tag) << functions << slots_ << select << counter << delay; };
        row("counters outnumber delays", "Cl Cl Cl Dl Dl", "- - - 3 4 0 1 2 - - -", 0x0718, 0, 0);
        row("delays outnumber counters", "Cl Cl Dl Dl Dl", "- - - 4 3 2 1 0 - - -", 0x0738, 0, 0);
        row("many counters, mode 9 first", "Cl C9 Cf Cl C9- Cl Dl Dx Dl Dx", "- 8 6 9 7 5 3 0 2 4 1", 0x001e,
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
        QTEST(slotText(d, pool), "slots_");
        QTEST(int(d.backendSelect()), "backendSelect");
        QTEST(int(d.counterFeedbackSelect()), "counterFeedback");
        QTEST(int(d.delayFeedbackSelect()), "delayFeedback");
    }

    void emptyDiagram()
    {
        // Registers, then the frontend and the three backend tables, in one flush; every byte is zero
        // but the backend select (the golden example images pin the write order).
        BlockDiagram d;
        ImageCapture capture;
        QVERIFY(d.download(&capture));
        QCOMPARE(capture.flushes(), 1);
        QCOMPARE(capture.bytes().size(), 130 + 2 * 1024 + 3 * 2048);
        for (const ImageCapture::Byte& b : capture.bytes())
            QCOMPARE(int(b.second), b.first == 0x0006 ? 0x07 : 0);
        QCOMPARE(capture.bytes().last().first, 0x2800u + 3 * 2048 - 1);
    }

    void registers_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<quint32>("addr");
        QTest::addColumn<int>("width");
        QTest::addColumn<quint32>("value");

        QTest::newRow("IN-USER empty: user control bit 9") << "user" << 0x006Cu << 2 << 0x0200u;
        QTest::newRow("output empty: NIM bit") << "output" << 0x0068u << 1 << 0x04u;
        QTest::newRow("output TTL") << "ttl" << 0x0069u << 1 << 0x04u;
        QTest::newRow("inputs polarity") << "inputs" << 0x006Bu << 1 << 0x02u;
        QTest::newRow("input threshold set") << "inputs" << 0x0076u << 2 << 900u;
        QTest::newRow("counter mode unit 0") << "counter" << 0x0008u << 1 << 3u;
        QTest::newRow("delay of unit 4 (slot 7)") << "delay" << 0x0018u << 2 << 1250u;
        QTest::newRow("measure counter 1 mode") << "msrcnt" << 0x0061u << 1 << 2u;
    }

    void registers()
    {
        QFETCH(QString, setup);
        QFETCH(quint32, addr);
        QFETCH(int, width);

        BlockDiagram d;
        if (setup == QLatin1String("user")) {
            d.createInput(0, 0, QStringLiteral("IN-USER"));
        } else if (setup == QLatin1String("output")) {
            out(d, QStringLiteral("OUT-CH2"), nullptr);
        } else if (setup == QLatin1String("ttl")) {
            out(d, QStringLiteral("OUT-CH2"), nullptr)
                ->setPropertyString(QStringLiteral("bNIM=false bTTL=true "));
        } else if (setup == QLatin1String("inputs")) {
            d.createInput(0, 0, QStringLiteral("IN-CH3"))
                ->setPropertyString(QStringLiteral("bUser=false bHigh=true Vth=900"));
            d.createInput(0, 0, QStringLiteral("IN-CH1"));
        } else if (setup == QLatin1String("counter")) {
            function(d, "CntFnc")->setPropertyString(QStringLiteral("Mode=3 MainCnt=1.5usec SubCnt=200nsec"));
        } else if (setup == QLatin1String("delay")) {
            function(d, "DlyFnc")->setPropertyString(QStringLiteral("Delay=1.25us"));
        } else if (setup == QLatin1String("msrcnt")) {
            out(d, QStringLiteral("MsrCnt1"), nullptr)
                ->setPropertyString(QStringLiteral("Mode=2 FileSave=false PATH=/tmp"));
        }
        ImageCapture capture;
        d.download(&capture);
        QTEST(valueAt(capture, addr, width), "value");
    }

    void frontendBits_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("channel"); // channel bit that drives the tested entry bit, -1: never set
        QTest::addColumn<int>("bit");

        QTest::newRow("counter in slot 3 from IN-CH0") << "counter" << 0 << 8;
        QTest::newRow("pass-through in slot 8: bit 3") << "passthrough" << 0 << 3;
        QTest::newRow("delay of unit 5 in slot 0") << "delay5" << 1 << 13;
    }

    void frontendBits()
    {
        QFETCH(QString, setup);
        QFETCH(int, channel);
        QFETCH(int, bit);

        BlockDiagram d;
        PreLogic* a0 = preLogic(d, QStringLiteral("_A"), {QStringLiteral("IN-CH0")});
        if (setup == QLatin1String("counter")) {
            function(d, "CntFnc", a0);
        } else if (setup == QLatin1String("passthrough")) {
            for (int k = 0; k < 3; ++k)
                function(d, "NonFnc");
            function(d, "NonFnc", a0);
        } else if (setup == QLatin1String("delay5")) {
            // Nine delays fill slots 0..8; the first (slot 0) belongs to delay unit 5.
            PreLogic* c1 = preLogic(d, QStringLiteral("_A"), {QStringLiteral("IN-CH1")});
            function(d, "DlyFnc", c1);
            for (int k = 0; k < 8; ++k)
                function(d, "DlyFnc", d.createInput(0, k + 1, QStringLiteral("IN-OPT")));
        }
        d.blockMapping();
        for (int c = 0; c < 1024; ++c) {
            const quint16 entry = d.calcFrontendLUT(quint16(2 * c));
            const bool expected = channel >= 0 && (c >> channel) & 1;
            QVERIFY2(entry == (expected ? 1u << bit : 0u),
                     qPrintable(QStringLiteral("c=%1 entry=%2").arg(c).arg(entry)));
        }
    }

    void backendBits_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("table");    // 0 output, 2 measure counter
        QTest::addColumn<QString>("bits"); // "tableBit:slot" pairs; slot -1 means the negation of slot 3

        QTest::newRow("PostLogic on slot 5 drives OUT-CH2") << "output" << 0 << "2:5";
        QTest::newRow("measure counter 1 gate and source") << "msrcnt" << 2 << "2:3 3:-1";
    }

    void backendBits()
    {
        QFETCH(QString, setup);
        QFETCH(int, table);
        QFETCH(QString, bits);

        BlockDiagram d;
        if (setup == QLatin1String("output")) {
            // Three counters and two delays: the first counter sits in slot 5.
            QVector<BlockItem*> fs;
            for (int k = 0; k < 3; ++k)
                fs.append(function(d, "CntFnc"));
            function(d, "DlyFnc");
            function(d, "DlyFnc");
            out(d, QStringLiteral("OUT-CH2"), postLogic(d, QStringLiteral("_A"), {fs.at(0)}));
        } else if (setup == QLatin1String("msrcnt")) {
            BlockItem* counter = function(d, "CntFnc");
            out(d, QStringLiteral("MsrCnt1"), postLogic(d, QStringLiteral("_A"), {counter}),
                postLogic(d, QStringLiteral("not _A"), {counter}));
        }
        d.blockMapping();
        for (int i = 0; i < 2048; ++i) {
            const quint8 entry = table == 0 ? d.calcNIMOutLUT(quint16(i)) : d.calcMsrCntLUT(quint16(i));
            quint8 expected = 0;
            for (const QString& pair : bits.split(QLatin1Char(' '))) {
                const int tableBit = pair.section(QLatin1Char(':'), 0, 0).toInt();
                const int slot = pair.section(QLatin1Char(':'), 1, 1).toInt();
                const bool on = slot < 0 ? !((i >> 3) & 1) : (i >> slot) & 1;
                if (on)
                    expected |= quint8(1u << tableBit);
            }
            QVERIFY2(entry == expected, qPrintable(QStringLiteral("i=%1 entry=%2").arg(i).arg(entry)));
        }
    }

    void expressionErrorStopsBeforeSending()
    {
        BlockDiagram d;
        function(d, "CntFnc", preLogic(d, QStringLiteral("_A or"), {QStringLiteral("IN-CH0")}));
        for (bool bLiteral : {false, true}) {
            ImageCapture capture;
            try {
                bLiteral ? d.downloadLiteral(&capture) : d.download(&capture);
                QFAIL("no error thrown");
            } catch (const QString& message) {
                QCOMPARE(message, QStringLiteral("PreLgc0: invalid at EOF"));
            }
            // The whole image is computed before the first value is handed over: a sink that
            // sends as it goes (the device worker) has sent nothing.
            QCOMPARE(capture.bytes().size(), 0);
            QCOMPARE(capture.flushes(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
