#include "io/document.h"
#include "model/registerImage.h"
#include "tests/support/documents.h"

#include <QtTest>

// The image a download writes and the naming of every difference a module shows against it.
class TestRegisterImage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // GATE_GEN (unit 0) after COINC of PMT_A and PMT_B drives GATE to OUT-CH0 (NIM), OUT-CH1 (TTL).
        QFile file(examplePath("coincidence.vxt3"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(m_doc.parseFile(file.readAll()));
        m_image = RegisterImage::of(*m_doc.diagram());
        QVERIFY(m_image.isComplete());
    }

    // One byte changed by the module, by its offset (from 0x0004, or 0x2000 for the tables).
    void namesTheSetting_data()
    {
        QTest::addColumn<bool>("bTable");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("xorMask");
        QTest::addColumn<QString>("text"); // %1, %2: the values of a whole register
        const auto row = [](const char* tag, bool bTable, int offset, int mask, const char* text) {
            QTest::newRow(tag) << bTable << offset << mask << QString(text);
        };
        row("counter sub count, low byte", false, 0x24 - 4 + 3, 0x01,
            "GATE_GEN (CntFnc0) sub count (0x0024): module %2, document %1");
        row("input polarity bit", false, 0x6B - 4, 0x01,
            "PMT_A (IN-CH0) polarity (0x006b bit 0): module 0, document 1");
        row("unit without a block", false, 0x0B - 4, 0x05,
            "counter unit 3 mode (0x000b): module 5, document 0");
        row("output table entry", true, 0x808, 0x02,
            "GATE (PstLgc0) lookup table, inputs _A=1 (0x2808 bit 1): module 0, document 1");
        row("frontend table entry", true, 2 * 3, 0x01,
            "COINC (PreLgc0) lookup table, inputs _A=1 _B=1 (0x2006 bit 8): module 0, document 1");
        row("unused table bit", true, 0x800, 0x80,
            "output lookup table, unused bit (0x2800 bit 7): module 1, document 0");
    }
    void namesTheSetting()
    {
        QFETCH(bool, bTable);
        QFETCH(int, offset);
        QFETCH(int, xorMask);
        QFETCH(QString, text);
        RegisterImage module = m_image;
        QByteArray& bytes = bTable ? module.tables : module.func;
        bytes[offset] = char(bytes.at(offset) ^ xorMask);
        QVERIFY(!module.matches(m_image));

        const QVector<ImageDifference> list = imageDifferences(*m_doc.diagram(), m_image, module);
        QCOMPARE(list.size(), 1);
        const ImageDifference& d = list.first();
        if (text.contains(QLatin1String("%1")))
            text = text.arg(d.document).arg(d.document ^ quint32(xorMask));
        QCOMPARE(d.text(), text);
    }

    // Registers a download does not write, or writes as zero filling, are no difference.
    void uncomparedRegistersMatch()
    {
        RegisterImage module = m_image;
        for (int reg : {0x64, 0x6A, 0x6E, 0x6F, 0x80, 0x87})
            module.func[reg - 4] = char(0x5A);
        QVERIFY(module.matches(m_image));
        QVERIFY(imageDifferences(*m_doc.diagram(), m_image, module).isEmpty());
        QVERIFY(!RegisterImage().matches(RegisterImage()));
    }

private:
    Document m_doc;
    RegisterImage m_image;
};

QTEST_MAIN(TestRegisterImage)
#include "tst_registerimage.moc"
