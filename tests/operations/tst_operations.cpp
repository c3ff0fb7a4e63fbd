#include "io/document.h"
#include "model/imageCapture.h"
#include "operations/downloadOperation.h"
#include "operations/moduleOperations.h"
#include "operations/romOperations.h"
#include "tests/support/documents.h"
#include "tests/support/romHarness.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(Question)

namespace {
// The caller's side: every question answered with bYes, the protection given here, questions recorded.
struct Answers : OperationPrompts
{
    bool bYes = true;
    Protection protection;
    QList<Question> asked;

    bool continueAfterWarnings(const QString&) override { return bYes; }
    bool confirm(Question question) override
    {
        asked << question;
        return bYes;
    }
    bool chooseRomSlot(RomCommand, const ModuleStatus&, RomChoice&) override { return false; }
    bool chooseProtection(const Protection&, Protection& wanted) override
    {
        wanted = protection;
        return true;
    }
};

std::unique_ptr<Document> document(const QByteArray& xml)
{
    auto doc = std::make_unique<Document>();
    doc->parseFile(xml);
    return doc;
}

std::unique_ptr<Document> example(const char* name)
{
    return document(readFile(examplePath(name)));
}
} // namespace

class TestOperations : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_module = std::make_unique<InProcessModule>();
        m_module->memory.rom().setBusyMs(0);
        m_answers = Answers();
    }

    // A declined question ends the flow Cancelled before it writes.
    void declined_data()
    {
        QTest::addColumn<int>("flow");
        QTest::addColumn<QList<Question>>("asked");
        QTest::addColumn<QString>("box"); // text|informative|title of the question's box
        const auto row = [](const char* tag, int flow, const QList<Question>& asked, const char* box) {
            QTest::newRow(tag) << flow << asked << QString(box);
        };
        row("design rule warnings", 0, {}, "");
        row("verify", 1, {Question::VerifyOutput},
            "The output may become unstable during verify.|Do you want to continue?|");
        row("initialize", 2, {Question::InitializeRom},
            "Are you sure you want to initialize ROM area?|All 16 slots lose their configurations, comments "
            "and "
            "documents, and the module boots from slot 0.\nThe module's running registers are written with "
            "an "
            "empty design as well: its outputs stay quiet until a design is downloaded again.|Vextor");
    }
    void declined()
    {
        QFETCH(int, flow);
        m_answers.bYes = false;
        const auto doc = document(unusedInputXml()); // design rule warnings only
        std::unique_ptr<DeviceOperation> operation;
        if (flow == 0)
            operation = std::make_unique<DownloadOperation>(m_module->info(), *doc->diagram(), m_answers);
        else if (flow == 1)
            operation = std::make_unique<VerifyOperation>(m_module->info(), *doc->diagram(), m_answers);
        else
            operation = std::make_unique<RomInitOperation>(m_module->info(), m_answers);
        QCOMPARE(run(*operation).verdict, Verdict::Cancelled);
        QTEST(m_answers.asked, "asked");
        QVERIFY(m_module->writes().isEmpty());
        for (const Question question : qAsConst(m_answers.asked)) {
            const QuestionBox box = QuestionBox::of(question);
            QTEST(QStringList({box.text, box.informative, box.title}).join('|'), "box");
        }
    }

    // After a download: the records for the counter monitor and the user-control dialog; progress.
    void downloadHandsOverTheRecords()
    {
        const auto pulser = example("pulser.vxt3");
        DownloadOperation first(m_module->info(), *pulser->diagram(), m_answers);
        QVERIFY(run(first).isDone());
        const UserControlSetup& inputs = first.outcome().userControl;
        QCOMPARE(inputs.count, 2);
        QCOMPARE(inputs.name[6], QString("PULSER_EN")); // at the input's position: IN-CH6
        QCOMPARE(inputs.name[8], QString("TAG_EN"));    // IN-OPT
        QCOMPARE(inputs.udpPort, m_module->server.port());
        QVERIFY(!first.outcome().counters.hasCounters());

        const auto scaler = example("scaler.vxt3");
        DownloadOperation second(m_module->info(), *scaler->diagram(), m_answers);
        QSignalSpy progress(&second, &DeviceOperation::progress);
        QVERIFY(run(second).isDone());
        const CounterMonitorSetup& counters = second.outcome().counters;
        QCOMPARE(QVector<int>(counters.mode, counters.mode + 4), QVector<int>({4, 4, 6, 8}));
        QCOMPARE(counters.name[2], QString("TRIPLE_CNT"));
        QCOMPARE(counters.unit[0], QString("usec"));
        QCOMPARE(counters.path[3], QString()); // no log
        QCOMPARE(progress.first(), QVariantList({"Download - TAMP Access", 8256, 0}));
        QVERIFY(progress.last().at(2).toInt() > 8000);
    }

    void cancelWhileWaitingForTheModule()
    {
        m_module->server.setFaults({0.0, false, false, 60000});
        const auto doc = document(documentXml(QByteArray()));
        InfoOstrum info = m_module->info();
        info.timeout = 60;
        DownloadOperation operation(info, *doc->diagram(), m_answers);
        QSignalSpy done(&operation, &DeviceOperation::finished);
        operation.start();
        QTRY_VERIFY(!m_module->requests.isEmpty()); // the module holds its reply back
        operation.cancel();
        QVERIFY(done.wait(30000)); // well before the held reply or the time-out
        QCOMPARE(operation.outcome().verdict, Verdict::Cancelled);
        QCOMPARE(operation.outcome().message, QString("QTamp: Aborted"));
    }

    // A cancel that comes before start() ends that run at once, without a word to the module; the
    // next run is not cancelled by it.
    void cancelBeforeStart()
    {
        const auto doc = document(documentXml(QByteArray()));
        DownloadOperation operation(m_module->info(), *doc->diagram(), m_answers);
        operation.cancel();
        QCOMPARE(run(operation).verdict, Verdict::Cancelled);
        QVERIFY(m_module->requests.isEmpty());
        QVERIFY(run(operation).isDone());
    }

    // A cancel after the last job has run to its end changes nothing: the operation is done.
    void lateCancel_data()
    {
        QTest::addColumn<bool>("bDownload");
        QTest::addColumn<int>("cancelAt"); // the progress value at which the user cancels; -1: the last
        QTest::addColumn<Verdict>("verdict");
        QTest::newRow("download, after its last write") << true << -1 << Verdict::Done;
        QTest::newRow("ROM init, after its last step") << false << 18 << Verdict::Done;
        QTest::newRow("ROM init, on the way") << false << 5 << Verdict::Cancelled;
    }
    void lateCancel()
    {
        QFETCH(bool, bDownload);
        QFETCH(int, cancelAt);
        const auto doc = example("coincidence.vxt3");
        std::unique_ptr<DeviceOperation> operation;
        if (bDownload) {
            ImageCapture image;
            doc->diagram()->download(&image);
            cancelAt = image.bytes().size(); // progress counts the bytes sent
            operation = std::make_unique<DownloadOperation>(m_module->info(), *doc->diagram(), m_answers);
        } else {
            operation = std::make_unique<RomInitOperation>(m_module->info(), m_answers);
        }
        DeviceOperation* op = operation.get();
        connect(op, &DeviceOperation::progress, this, [op, cancelAt](const QString&, int, int value) {
            if (value == cancelAt)
                op->cancel();
        });
        QTEST(run(*operation).verdict, "verdict");
        QCOMPARE(operation->outcome().counters.udpPort, bDownload ? m_module->server.port() : quint16(0));
    }

    // Only what differs is written; the boot value through the EEPROM, between enable and disable.
    void protect_data()
    {
        QTest::addColumn<bool>("current");
        QTest::addColumn<bool>("boot");
        QTest::addColumn<int>("writes");
        QTest::addColumn<bool>("romWritingLeftOn"); // now and at boot, by a ROM job cut off
        QTest::newRow("unchanged") << false << false << 0 << false;
        QTest::newRow("protect at boot") << false << true << 3 << false;
        // Switched off first (4 writes), and the boot value keeps it off.
        QTest::newRow("ROM writing left on") << false << true << 7 << true;
    }
    void protect()
    {
        QFETCH(bool, current);
        QFETCH(bool, boot);
        QFETCH(bool, romWritingLeftOn);
        if (romWritingLeftOn) {
            m_module->memory.poke(0xFFFFFF3C, 0x03);
            m_module->memory.poke(0xFFFFFC3C, 0x03);
        }
        m_answers.protection = {current, boot};
        ProtectOperation operation(m_module->info(), m_answers);
        QVERIFY(run(operation).isDone());
        QTEST(int(m_module->writes().size()), "writes");
        QCOMPARE(m_module->memory.peek(0xFFFFFF3C), quint8(current ? 0x00 : 0x01));
        QCOMPARE(m_module->memory.peek(0xFFFFFC3C), quint8(boot ? 0x00 : 0x01));
    }

    // An expression that does not compile stops the download before anything is sent.
    void expressionErrorSendsNothing()
    {
        const auto doc = document(badExpressionXml());
        DownloadOperation operation(m_module->info(), *doc->diagram(), m_answers);
        QCOMPARE(run(operation).message, QString("PreLgc0: invalid at EOF"));
        QCOMPARE(operation.outcome().verdict, Verdict::ExpressionError);
        QVERIFY(m_module->requests.isEmpty());
    }

    void brokenDownloadSaysPartlyWritten()
    {
        const auto doc = example("coincidence.vxt3");
        DownloadOperation operation(m_module->info(), *doc->diagram(), m_answers);
        int writes = 0;
        connect(&m_module->server, &TampServer::requestReceived, &operation, [&](const QByteArray& r) {
            if (quint8(r.at(1)) == 0x80 && ++writes == 3)
                operation.cancel();
        });
        const OperationOutcome& outcome = run(operation);
        QCOMPARE(outcome.verdict, Verdict::Cancelled);
        QVERIFY(outcome.bPartlyWritten);
        QVERIFY2(
            outcome.message.endsWith("\nThe module now holds a partly written configuration: download it "
                                     "again."),
            qPrintable(outcome.message));
    }

    void romInit()
    {
        m_module->memory.poke(0xFFFFFC3E, 3);
        m_module->memory.write(0x100, QByteArray("a comment"));
        RomInitOperation operation(m_module->info(), m_answers);
        QSignalSpy progress(&operation, &DeviceOperation::progress);
        QVERIFY(run(operation).isDone());
        const RomStore& rom = m_module->memory.rom();
        QByteArray fat(4096, '\xFF');
        fat.replace(0, 32, QByteArray(32, '\xFE')).replace(4094, 2, "\xFE\xFE");
        QCOMPARE(rom.page(2047), fat);
        QCOMPARE(rom.userRom(), QByteArray(0x700, '\0'));
        QCOMPARE(m_module->memory.peek(0xFFFFFC3E), quint8(0));
        for (int slot = 0; slot < 16; ++slot)
            QVERIFY(rom.hasImage(slot));
        QVERIFY(!(m_module->memory.peek(0xFFFFFF3C) & 0x02));
        QCOMPARE(progress.last(), QVariantList({"Initialize ROM area", 18, 18}));
    }

private:
    const OperationOutcome& run(DeviceOperation& operation)
    {
        operation.setRomPollInterval(1);
        QSignalSpy done(&operation, &DeviceOperation::finished);
        operation.start();
        done.wait(20000);
        return operation.outcome();
    }

    std::unique_ptr<InProcessModule> m_module;
    Answers m_answers;
};

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
