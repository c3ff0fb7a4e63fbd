#include "io/document.h"
#include "model/registerImage.h"
#include "tests/support/documents.h"

#include <QRandomGenerator>
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
        row("backend select bit beyond the slots", false, 0x06 - 4, 0x80,
            "function slot 15 source, not in the diagram (0x0006 bit 15): module 1, document 0");
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

    // Modules holding anything at all: the function registers always at random, the tables with
    // a few random bytes (now and then all of them). Every register that the comparison of a
    // verification finds different, and every differing bit of a bit register or a table entry,
    // is listed once with both values and a name.
    void randomModulesListEveryDifference()
    {
        const QStringList names = QDir(VEXTOR_SOURCE_DIR "/examples").entryList({"*.vxt3"}, QDir::Files);
        QVERIFY(names.size() >= 5);
        QRandomGenerator rng(21);
        for (const QString& name : names) {
            Document doc;
            QVERIFY(doc.parseFile(readFile(QStringLiteral(VEXTOR_SOURCE_DIR "/examples/") + name)));
            BlockDiagram& diagram = *doc.diagram();
            const RegisterImage expected = RegisterImage::of(diagram);
            for (int i = 0; i < 1000; ++i) {
                const RegisterImage module = randomModule(rng, expected, i % 250 == 0);
                const QVector<ImageDifference> list = imageDifferences(diagram, expected, module);
                const QMap<quint32, Differing> differing = differingRegisters(diagram, expected, module);
                QCOMPARE(module.matches(expected), differing.isEmpty());
                checkListed(list, differing, QString("%1, image %2").arg(name).arg(i));
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

private:
    // A register or table entry in which the module differs, as wide as it is.
    struct Differing
    {
        int width;
        quint32 module;
        quint32 document;
        bool bBits; // a setting per bit
    };

    static RegisterImage randomModule(QRandomGenerator& rng, const RegisterImage& document, bool bAllRandom)
    {
        RegisterImage module = document;
        for (char& byte : module.func)
            byte = char(rng.bounded(256));
        const int changes = bAllRandom ? module.tables.size() : int(rng.bounded(40));
        for (int k = 0; k < changes; ++k)
            module.tables[bAllRandom ? k : int(rng.bounded(module.tables.size()))] = char(rng.bounded(256));
        return module;
    }

    // What differs, found without the listing: the function registers by verification's own
    // comparison, which stops at the first difference (so each found one is put right and the
    // comparison run again), the tables entry by entry.
    static QMap<quint32, Differing> differingRegisters(BlockDiagram& diagram, const RegisterImage& document,
                                                       const RegisterImage& module)
    {
        static const QSet<quint32> bitRegisters{0x04, 0x05, 0x06, 0x68, 0x69, 0x6B, 0x6C};
        QMap<quint32, Differing> found;
        QByteArray func = module.func;
        QString report;
        diagram.initVerify(report);
        while (!diagram.verifyFunc(func, report)) {
            const RegisterMismatch m = *diagram.firstMismatch();
            found.insert(m.address, {m.width, *m.module, m.document, bitRegisters.contains(m.address)});
            for (int b = 0; b < m.width; ++b)
                func[int(m.address) - 4 + b] = char(m.document >> (8 * (m.width - 1 - b)));
        }
        for (int offset = 0; offset < document.tables.size();) {
            const int width = offset < 2048 ? 2 : 1;
            quint32 ours = 0;
            quint32 theirs = 0;
            for (int b = 0; b < width; ++b, ++offset) {
                ours = (ours << 8) | quint8(document.tables.at(offset));
                theirs = (theirs << 8) | quint8(module.tables.at(offset));
            }
            if (ours != theirs)
                found.insert(0x2000 + quint32(offset - width), {width, theirs, ours, true});
        }
        return found;
    }

    static void checkListed(const QVector<ImageDifference>& list, const QMap<quint32, Differing>& differing,
                            const QString& where)
    {
        QMap<quint32, quint32> bitsListed;
        QSet<quint32> wholeListed;
        for (const ImageDifference& d : list) {
            const QString text = where + ": " + d.text();
            QVERIFY2(differing.contains(d.address) && !d.setting.isEmpty(), qPrintable(text));
            const Differing& r = differing.value(d.address);
            QVERIFY2(r.bBits == (d.bit >= 0), qPrintable(text));
            if (!r.bBits) {
                QVERIFY2(!wholeListed.contains(d.address) && d.module == r.module && d.document == r.document,
                         qPrintable(text));
                wholeListed.insert(d.address);
                continue;
            }
            const quint32 mask = 1u << d.bit;
            QVERIFY2(d.bit < 8 * r.width && !(bitsListed.value(d.address) & mask), qPrintable(text));
            QVERIFY2(d.module == ((r.module >> d.bit) & 1) && d.document == ((r.document >> d.bit) & 1),
                     qPrintable(text));
            bitsListed[d.address] |= mask;
        }
        for (auto it = differing.cbegin(); it != differing.cend(); ++it) {
            const bool bListed = it->bBits ? bitsListed.value(it.key()) == (it->module ^ it->document)
                                           : wholeListed.contains(it.key());
            QVERIFY2(bListed, qPrintable(QString("%1: 0x%2 not listed").arg(where).arg(it.key(), 4, 16)));
        }
    }

    Document m_doc;
    RegisterImage m_image;
};

QTEST_MAIN(TestRegisterImage)
#include "tst_registerimage.moc"
