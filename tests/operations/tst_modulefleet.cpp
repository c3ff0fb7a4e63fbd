#include "operations/moduleFleet.h"
#include "tests/support/documents.h"
#include "tests/support/workerHarness.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

namespace {
// Every question answered yes, protection left as it is.
class YesPrompts : public OperationPrompts
{
public:
    bool continueAfterWarnings(const QString&) override { return true; }
    bool confirm(Question) override { return true; }
    bool chooseRomSlot(RomCommand, const ModuleStatus&, RomChoice&) override { return true; }
    bool chooseProtection(const Protection&, Protection&) override { return true; }
};

// "reach holds version boot-slot protected failed" of a module.
QString row(const ModuleFleet& fleet, int module)
{
    const ModuleState& s = fleet.state(module);
    return QString("%1 %2 %3 %4 %5 %6")
        .arg(int(s.reach))
        .arg(int(s.holds))
        .arg(QString::fromLatin1(s.version))
        .arg(s.bootSlot)
        .arg(s.registersProtected ? (*s.registersProtected ? "yes" : "no") : "?")
        .arg(s.bFailed ? "failed" : "ok");
}

bool runToEnd(ModuleFleet& fleet, ModuleFleet::Action action, const QVector<int>& modules = {})
{
    QSignalSpy finished(&fleet, &ModuleFleet::finished);
    return fleet.run(action, modules) && finished.wait(30000);
}
} // namespace

// The Modules window's model: status, download and verify of a list's modules, each module's
// state from the outcomes, and a run stopped half way.
class TestModuleFleet : public QObject
{
    Q_OBJECT
private slots:
    void states()
    {
        InProcessModule a, b;
        QUdpSocket dead; // bound, never answering
        QVERIFY(dead.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const QString doc = examplePath("coincidence.vxt3");
        QString error;
        const std::optional<ModuleList> list = ModuleList::parse(
            QString("a 127.0.0.1:%1 %4\nb 127.0.0.1:%2 %4\nlost 127.0.0.1:%3 %4\nbare 127.0.0.1:%1\n")
                .arg(a.server.port())
                .arg(b.server.port())
                .arg(dead.localPort())
                .arg(doc)
                .toUtf8(),
            "/", &error);
        QVERIFY2(list, qPrintable(error));
        YesPrompts prompts;
        ModuleFleet fleet(*list, prompts);
        QSignalSpy changed(&fleet, &ModuleFleet::moduleChanged);

        QVERIFY(runToEnd(fleet, ModuleFleet::Action::Status));
        QCOMPARE(row(fleet, 0), QString("1 0 3.01 0 no ok"));
        QCOMPARE(row(fleet, 2), QString("2 0  -1 ? failed"));
        QVERIFY(!changed.isEmpty());

        QVERIFY(runToEnd(fleet, ModuleFleet::Action::Download, {0, 1, 3}));
        QCOMPARE(row(fleet, 1), QString("1 1 3.01 0 no ok"));
        QCOMPARE(fleet.state(3).message, QString("The module list gives bare no document."));

        b.memory.poke(0x68, 0x00); // another output level than the document's
        QSignalSpy finished(&fleet, &ModuleFleet::finished);
        QVERIFY(fleet.run(ModuleFleet::Action::Verify, {0, 1}));
        QVERIFY(!fleet.run(ModuleFleet::Action::Status)); // one run at a time
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().at(1).toInt(), 1);
        QCOMPARE(row(fleet, 0), QString("1 1 3.01 0 no ok"));
        QCOMPARE(row(fleet, 1), QString("1 2 3.01 0 no failed"));
        QVERIFY(fleet.state(1).message.startsWith("Verify: The Register data don't match."));

        // One at a time, stopped while the first runs: the others end cancelled, not run, with
        // what was known of them kept.
        fleet.setJobs(1);
        b.memory.poke(0x68, 0x01);
        QSignalSpy progress(&fleet, &ModuleFleet::progress);
        QVERIFY(fleet.run(ModuleFleet::Action::Verify, {2, 1}));
        fleet.cancel();
        QSignalSpy stopped(&fleet, &ModuleFleet::finished);
        QVERIFY(stopped.wait(30000));
        QCOMPARE(stopped.first().at(1).toInt(), 2);
        QCOMPARE(row(fleet, 1), QString("1 2 3.01 0 no failed"));
        QVERIFY(fleet.state(1).verdict == Verdict::Cancelled && fleet.state(1).message.isEmpty());
        QVERIFY(!fleet.state(1).bBusy && !fleet.state(2).bBusy);
        QCOMPARE(progress.last().at(0).toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(TestModuleFleet)
#include "tst_modulefleet.moc"
