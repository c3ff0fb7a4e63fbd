#include "model/compiledTables.h"
#include "operations/previewSetup.h"
#include "tests/emulator/handImage.h"
#include "tests/support/documents.h"
#include "tests/support/randomDocument.h"

#include <QtTest>

namespace {
int field(quint64 word, int first, int bits)
{
    return int((word >> first) & ((1u << bits) - 1));
}

// Inputs 0..9 count up in binary, one step per cycle: cycle c sees the input word c.
QString countingStimulus()
{
    QString text;
    for (int i = 0; i < 10; ++i)
        text += QStringLiteral("%1 periodic period=%2 width=%3 start=%3\n")
                    .arg(Stimulus::channelNames().at(i))
                    .arg(10 << i)
                    .arg(5 << i);
    return text;
}
} // namespace

// The emulator's lookup stages are the model's compiled tables, entry for entry.
class TestLookupTables : public QObject
{
    Q_OBJECT

private slots:
    void stagesAreTheCompiledTables_data()
    {
        QTest::addColumn<QByteArray>("xml");
        for (const char* name : {"coincidence", "delayed-veto", "multi-sheet", "pulser", "scaler"}) {
            QFile file(examplePath(name) + QStringLiteral(".vxt3"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(name) << file.readAll();
        }
        for (quint32 seed = 1; seed <= 12; ++seed) {
            Document doc;
            RandomDocument(doc, seed).build();
            QTest::newRow(qPrintable(QStringLiteral("random %1").arg(seed))) << doc.toXml();
        }
    }
    void stagesAreTheCompiledTables()
    {
        QFETCH(QByteArray, xml);
        Document doc;
        QVERIFY(doc.parseFile(xml));
        PreviewSetup setup;
        QString error;
        if (!PreviewSetup::fromDiagram(*doc.diagram(), setup, error))
            QSKIP("the document's expressions do not compile");
        const CompiledTables tables(*doc.diagram());
        const QVector<quint16> frontend = tables.frontend();
        const QVector<quint8> output = tables.backend(CompiledTables::Output);
        const QVector<quint8> feedback = tables.backend(CompiledTables::Feedback);
        const QVector<quint8> msr = tables.backend(CompiledTables::MsrCnt);

        const auto e = Emulator::create(setup.image, stimulusOf(countingStimulus()));
        for (int c = 0; c < ModuleImage::FRONTEND_ENTRIES; ++c)
            QCOMPARE(e->frontendStage(c), frontend.at(c));
        for (int w = 0; w < ModuleImage::BACKEND_ENTRIES; ++w) {
            QCOMPARE(e->outputStage(w), output.at(w));
            QCOMPARE(e->feedbackStage(w), feedback.at(w));
            QCOMPARE(e->msrStage(w), msr.at(w));
        }

        // In the running pipeline every cycle's bits are the entries of what it sees; with the inputs
        // counting, every entry is visited (unless IN-USER runs as the oscillator).
        e->setTraceLimit(1 << 20);
        e->runUntil(ModuleImage::FRONTEND_ENTRIES);
        QSet<int> seen;
        for (const Emulator::Change& c : e->trace()) {
            const int inputs = field(c.word, Emulator::INPUT_BITS, 10);
            const int slotWord = field(c.word, Emulator::SLOT_BITS, 11);
            seen.insert(inputs);
            QCOMPARE(field(c.word, Emulator::PASS_BITS, 6), frontend.at(inputs) & 0x3F);
            QCOMPARE(field(c.word, Emulator::TRIGGER_BITS, 8), frontend.at(inputs) >> 8);
            QCOMPARE(field(c.word, Emulator::FEEDBACK_BITS, 8), int(feedback.at(slotWord)));
            QCOMPARE(field(c.word, Emulator::MSR_BITS, 8), int(msr.at(slotWord)));
        }
        if (!(setup.image.oscillatorMain() > 0 && !(setup.image.userControlled() & 0x200)))
            QCOMPARE(seen.size(), ModuleImage::FRONTEND_ENTRIES);
    }
};

QTEST_GUILESS_MAIN(TestLookupTables)
#include "tst_lookuptables.moc"
