#include "io/document.h"
#include "operations/previewSetup.h"
#include "sim/counterStream.h"
#include "sim/moduleMemory.h"
#include "sim/previewDriver.h"
#include "tests/emulator/handImage.h"
#include "tests/support/cliRun.h"
#include "tests/support/documents.h"
#include "tests/support/simProcess.h"
#include "tests/support/workerHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {
ModuleImage scalerImage()
{
    QFile file(examplePath("scaler.vxt3"));
    Document doc;
    PreviewSetup setup;
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !doc.parseFile(file.readAll()) ||
        !PreviewSetup::fromDiagram(*doc.diagram(), setup, error))
        qFatal("scaler example: %s", qPrintable(error));
    return setup.image;
}

Stimulus scalerStimulus()
{
    Stimulus stimulus;
    QString error;
    if (!Stimulus::load(examplePath("scaler.stim"), stimulus, error))
        qFatal("%s", qPrintable(error));
    return stimulus;
}

// The registers a download writes: the function settings and the four tables.
QList<QPair<quint32, QByteArray>> downloadRanges(const ModuleImage& image)
{
    return {{0x0004, image.bytes().mid(0x0004, 0x008C)}, {0x2000, image.bytes().mid(0x2000, 0x2000)}};
}

// The memory after a download of the image.
void download(ModuleMemory& memory, const ModuleImage& image)
{
    for (const auto& range : downloadRanges(image))
        for (int i = 0; i < range.second.size(); ++i)
            memory.poke(range.first + quint32(i), quint8(range.second.at(i)));
}

// A record as "counter:value".
QString recordText(int counter, quint64 value)
{
    return QStringLiteral("%1:%2").arg(counter).arg(value);
}
} // namespace

// vextor-sim's stream from the emulator running the image in its memory on the stimulus.
class TestSimPreview : public QObject
{
    Q_OBJECT

private slots:
    void driverFollowsTheMemory()
    {
        const ModuleImage image = scalerImage();
        ModuleMemory memory;
        download(memory, image);
        PreviewDriver driver(&memory, scalerStimulus());
        QStringList made;
        connect(&driver, &PreviewDriver::record, this,
                [&made](int c, quint64 v) { made << recordText(c, v); });
        driver.start();
        QTRY_VERIFY_WITH_TIMEOUT(made.size() >= 5, 20000);

        // The same image and stimulus run here from cycle 0 give the same records in order.
        const auto reference = Emulator::create(image, scalerStimulus());
        QStringList expected;
        reference->setRecordSink(
            [&expected](const CounterRecord& r) { expected << recordText(r.counter, r.value); });
        while (expected.size() < made.size())
            reference->runUntil(reference->now() + 1000);
        QCOMPARE(made, expected.mid(0, made.size()));
        QVERIFY(made.filter(QRegularExpression("^2:")).size() == made.size());

        // RATE_1 counts from Start to Stop, as the monitor's buttons write them.
        memory.poke(ModuleImage::REG_MSR_START, ModuleImage::MSR_STARTED);
        const qint64 started = driver.emulatedNs();
        QTRY_VERIFY_WITH_TIMEOUT(driver.emulatedNs() > started + 100'000, 20000);
        memory.poke(ModuleImage::REG_MSR_START, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!made.filter(QRegularExpression("^0:")).isEmpty(), 20000);
        QVERIFY(driver.summary().startsWith("vextor-sim preview: "));
        QVERIFY(driver.summary().contains("; OUT-CH0 "));
    }

    // What the stream carries over a stretch of module time is what vextor-cli preview counts over
    // the same time, but for the measurement still open at its end, which the preview closes
    // (the software-gated counters, started at 0 in both).
    void streamAgreesWithThePreview()
    {
        ModuleMemory memory;
        download(memory, scalerImage());
        for (quint32 m = 0; m < ModuleImage::COUNTERS; ++m)
            memory.poke(ModuleImage::REG_MSR_START + m, ModuleImage::MSR_STARTED);
        CounterStream stream;
        stream.setExternalRecords(true);
        QVERIFY(stream.listen(QHostAddress(QHostAddress::LocalHost), 0));
        QTcpSocket client;
        client.connectToHost(QHostAddress(QHostAddress::LocalHost), stream.port());
        // A first word, offered until the stream has taken the client.
        QTimer probe;
        connect(&probe, &QTimer::timeout, &stream, [&stream] {
            if (stream.recordsSent() == 0)
                stream.sendRecord(0, 0);
        });
        probe.start(1);
        QTRY_COMPARE(stream.recordsSent(), quint64(1));
        PreviewDriver driver(&memory, scalerStimulus());
        connect(&driver, &PreviewDriver::record, &stream, &CounterStream::sendRecord);
        driver.start();
        QTRY_VERIFY_WITH_TIMEOUT(driver.emulatedNs() >= 1'000'000, 60000);
        driver.stop();
        QByteArray data;
        QTRY_COMPARE_WITH_TIMEOUT((data += client.readAll()).size(), int(8 * stream.recordsSent()), 20000);

        quint64 records[ModuleImage::COUNTERS] = {};
        quint64 sums[ModuleImage::COUNTERS] = {};
        for (int at = 8; at < data.size(); at += 8) {
            const quint64 word =
                qFromBigEndian<quint64>(reinterpret_cast<const uchar*>(data.constData() + at));
            ++records[(word >> 56) & 3];
            sums[(word >> 56) & 3] += word & ((1ULL << 56) - 1);
        }
        const CliResult r =
            runCli({"--json", "preview", examplePath("scaler.vxt3"), examplePath("scaler.stim"), "--duration",
                    QString::number(driver.emulatedNs())});
        const QJsonArray counters = QJsonDocument::fromJson(r.out.toUtf8())["data"]["counters"].toArray();
        QCOMPARE(counters.size(), ModuleImage::COUNTERS);
        for (int m = 0; m < ModuleImage::COUNTERS; ++m) {
            const QJsonValue preview = counters.at(m);
            const bool open = driver.emulator().measureCounter(m).isSoftwareGated();
            QVERIFY(records[m] > 0 || open);
            QCOMPARE(qint64(preview["records"].toDouble()), qint64(records[m]) + (open ? 1 : 0));
            QCOMPARE(qint64(preview["sum"].toDouble()),
                     qint64(sums[m]) + (open ? qint64(preview["last"].toDouble()) : 0));
        }
    }

    // Pulses far too busy for real time: the driver says once how far behind it is.
    void fallingBehindIsSaidOnce()
    {
        ModuleMemory memory;
        download(memory, scalerImage());
        PreviewDriver driver(&memory, stimulusOf("IN-CH0 poisson rate=100MHz width=5ns\n"
                                                 "IN-CH1 poisson rate=100MHz width=5ns seed=2\n"));
        QSignalSpy behind(&driver, &PreviewDriver::fellBehind);
        driver.start();
        QTRY_COMPARE_WITH_TIMEOUT(behind.count(), 1, 30000);
        QVERIFY(behind.first().first().toLongLong() >= PreviewDriver::LAG_TO_REPORT_NS);
        QTRY_VERIFY_WITH_TIMEOUT(driver.lagNs() > 2 * PreviewDriver::LAG_TO_REPORT_NS, 30000);
        QCOMPARE(behind.count(), 1);
        QVERIFY2(driver.summary().contains(" behind the wall clock"), qPrintable(driver.summary()));
    }

    // The process: a download reaches the emulator and its records the data port.
    void processStreamsTheEmulatorsRecords()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--preview-stimulus", examplePath("scaler.stim")}));
        for (const auto& range : downloadRanges(scalerImage())) {
            QUdpThread writer;
            sim.target(writer);
            writer.setData(range.first, range.second, false);
            QVERIFY(runWorker(writer).bOk);
        }
        QTcpSocket data;
        data.connectToHost(QHostAddress(QHostAddress::LocalHost), sim.tcpPort);
        QVERIFY(data.waitForConnected(5000));
        while (data.bytesAvailable() < 8)
            QVERIFY(data.waitForReadyRead(10000));
        const quint64 word =
            qFromBigEndian<quint64>(reinterpret_cast<const uchar*>(data.read(8).constData()));
        QCOMPARE(int(word >> 56), 0x12); // TRIPLE_CNT, the counter gated by RUN_GATE
        QVERIFY(sim.stop());
        QVERIFY(sim.process.readAllStandardOutput().startsWith("vextor-sim preview: "));
    }

    // Pulses far wider than any run do not hold up the start: they are read as time reaches them.
    void widePulsesStartAtOnce()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("wide.stim"), "IN-CH0 poisson rate=100MHz width=10s\n"));
        SimProcess sim;
        QVERIFY(sim.start({"--preview-stimulus", dir.filePath("wide.stim")}));
        QVERIFY(sim.stop());
    }
};

QTEST_GUILESS_MAIN(TestSimPreview)
#include "tst_simpreview.moc"
