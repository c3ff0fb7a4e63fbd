#include "emulator/stimulus.h"
#include "emulator/timing.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// The pulses channel 0 gets, as "start-end" in ns on the clock, up to a time.
QString pulses(const QString& text, qint64 untilNs, const QHash<QString, int>& aliases = {})
{
    Stimulus s;
    QString error;
    if (!Stimulus::parse(text, s, error, aliases))
        return error;
    ChannelWave wave(s.trainsOf(0));
    QStringList list;
    qint64 rise = 0;
    while (wave.nextChange() < Timing::cycleAt(untilNs)) {
        const qint64 at = wave.nextChange();
        const bool wasHigh = wave.level();
        wave.change();
        if (!wasHigh && wave.level())
            rise = at;
        else if (wasHigh && !wave.level())
            list << QStringLiteral("%1-%2").arg(Timing::nsOf(rise)).arg(Timing::nsOf(at));
    }
    return list.join(' ');
}
} // namespace

// The stimulus format: what each pattern gives, and a message with the line for each refusal.
class TestStimulus : public QObject
{
    Q_OBJECT

private slots:
    void patterns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pulses");
        const auto row = [](const char* tag, const char* text, const char* pulses) {
            QTest::newRow(tag) << QString(text) << QString(pulses);
        };
        row("periodic with a count", "IN-CH0 periodic period=1us width=20ns start=100ns count=3",
            "100-120 1100-1120 2100-2120");
        row("list in any order, comments and units",
            "# test\nIN-CH0 list width=20 at=1.2us,100ns  # late one first\nIN-CH0 list width=10ns at=500",
            "100-120 500-510 1200-1220");
        row("overlapping and touching pulses merge",
            "IN-CH0 list width=20 at=100,110\nIN-CH0 list width=10 at=120", "100-130");
        row("bursts", "IN-CH0 bursts period=1us pulses=3 spacing=100ns width=20ns count=2",
            "0-20 100-120 200-220 1000-1020 1100-1120 1200-1220");
        row("times align to the next clock", "IN-CH0 list width=5 at=101", "105-110");
        row("a user name stands for its channel", "PMT_A list width=20 at=100\nIN-CH1 list width=20 at=200",
            "100-120");
    }
    void patterns()
    {
        QFETCH(QString, text);
        QFETCH(QString, pulses);
        QCOMPARE(::pulses(text, 1'000'000, {{"PMT_A", 0}}), pulses);
    }

    // Poisson pulses are the same for the same seed, differ for another, and come at the rate.
    void poisson()
    {
        const QString line = QStringLiteral("IN-CH0 poisson rate=1MHz width=5ns seed=%1");
        QCOMPARE(pulses(line.arg(7), 20'000), pulses(line.arg(7), 20'000));
        QVERIFY(pulses(line.arg(7), 20'000) != pulses(line.arg(8), 20'000));
        // 1000 expected in 1 ms (some merge); five standard deviations either way.
        const int n = pulses(line.arg(7), 1'000'000).count(' ') + 1;
        QVERIFY2(n > 840 && n < 1160, qPrintable(QString::number(n)));
    }

    void times_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ns"); // -1: refused
        QTest::newRow("ns") << "20ns" << qint64(20);
        QTest::newRow("fraction of us") << "1.5us" << qint64(1500);
        QTest::newRow("msec") << "2msec" << qint64(2'000'000);
        QTest::newRow("bare number") << "40" << qint64(40);
        QTest::newRow("largest") << "10s" << qint64(10'000'000'000);
        QTest::newRow("too large") << "10.1s" << qint64(-1);
        QTest::newRow("negative") << "-5ns" << qint64(-1);
        QTest::newRow("unit only") << "ns" << qint64(-1);
        QTest::newRow("exponent") << "1e3ns" << qint64(-1);
    }
    void times()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ns);
        qint64 value = -1;
        QCOMPARE(Stimulus::parseTime(text, value) ? value : -1, ns);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString p = QStringLiteral("IN-CH0 periodic period=1us width=10ns ");
        const auto row = [](const char* tag, const QString& text, const char* error) {
            QTest::newRow(tag) << text << QString(error);
        };
        row("channel", "IN-CH9 periodic period=1us width=10ns", "line 1: unknown input channel \"IN-CH9\"");
        row("pattern", "\n# comment\nIN-CH0 sawtooth",
            "line 3: unknown pattern \"sawtooth\" (periodic, list, poisson or bursts)");
        row("no pattern", "IN-CH0", "line 1: IN-CH0 needs a pattern: periodic, list, poisson or bursts");
        row("missing key", "IN-CH0 periodic width=10ns", "line 1: periodic needs period=");
        row("foreign key", p + "phase=3", "line 1: periodic does not take phase=");
        row("key twice", p + "width=20ns", "line 1: width= is given twice");
        row("no value", "IN-CH0 list width=10 at", "line 1: expected key=value, found \"at\"");
        row("narrow", "IN-CH0 periodic period=1us width=4ns", "line 1: width must be at least 5ns");
        row("wide", "IN-CH0 periodic period=10ns width=10ns",
            "line 1: width must be shorter than the period");
        row("bad time", "IN-CH0 list width=10 at=5ns,x",
            "line 1: bad time \"x\" (a number with ns, us, ms or s, at most 10s)");
        row("rate", "IN-CH0 poisson rate=200MHz width=5ns",
            "line 1: bad rate \"200MHz\" (more than 0 and at most 100MHz, with Hz, kHz or MHz)");
        row("burst too long", "IN-CH0 bursts period=1us pulses=20 spacing=100ns width=10ns",
            "line 1: a burst (pulses times spacing) must fit in the period");
        row("duration", "duration 11s", "line 1: duration takes one time from 5ns to 10s");
        row("long line", "# " + QString(1000, 'x'), "line 1: longer than 1000 characters");
        const QString times = "IN-CH0 list width=5 at=" + QString("1,").repeated(399) + "1\n";
        row("too many times", times.repeated(251),
            "line 251: more than 100000 pulse times in the whole text");
        row("too many trains", (p + "\n").repeated(1001), "line 1001: more than 1000 pulse trains");
        row("too large", QString("#\n").repeated(Stimulus::MAX_TEXT_BYTES / 2 + 1),
            "the stimulus is larger than 1048576 bytes");
    }
    // A file's size is its bytes: two-byte characters the text limit alone would pass are refused.
    void largeFileIsRefused()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("wide.stim"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString("#\u00e4\n").repeated(Stimulus::MAX_TEXT_BYTES / 4 + 1).toUtf8());
        file.close();
        Stimulus s;
        QString error;
        QVERIFY(!Stimulus::load(file.fileName(), s, error));
        QCOMPARE(error, file.fileName() + ": the stimulus is larger than 1048576 bytes");
    }

    void refused()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        Stimulus s;
        QString message;
        QVERIFY(!Stimulus::parse(text, s, message));
        QCOMPARE(message, error);
    }
};

QTEST_GUILESS_MAIN(TestStimulus)
#include "tst_stimulus.moc"
