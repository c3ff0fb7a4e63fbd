// vextor-sim: a software stand-in for the logic module on a local address. It answers TAMP
// register access over UDP from a simulated register space, serves the measure-counter stream
// over TCP, optionally keeps the register space in a state file across restarts, and can inject
// faults to exercise the client.

#include "emulator/previewRun.h"
#include "sim/counterStream.h"
#include "sim/moduleMemory.h"
#include "sim/previewDriver.h"
#include "sim/romStore.h"
#include "sim/tampServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalFd[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Nothing else is safe here: the event loop picks the byte up and quits.
    if (::write(g_signalFd[0], &byte, 1) < 0) {
    }
}

// Quits the event loop cleanly on SIGTERM and SIGINT.
void installSignalHandlers(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalFd[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier]() {
        notifier->setEnabled(false);
        char byte = 0;
        if (::read(g_signalFd[1], &byte, 1) < 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Saves the memory atomically (a new file renamed over the old): at most BATCH_MS after the first
// unsaved change however many follow, at once when a ROM command has taken effect (before the
// reply that tells the client so), and on exit.
class StateSaver : public QObject
{
public:
    StateSaver(ModuleMemory* memory, const QString& fileName, QObject* parent)
        : QObject(parent)
        , m_pMemory(memory)
        , m_fileName(fileName)
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(BATCH_MS);
        connect(&m_timer, &QTimer::timeout, this, &StateSaver::save);
        m_saved = memory->changeCount();
        m_savedCommands = memory->rom().finishedCommands();
    }

    bool load()
    {
        QFile file(m_fileName);
        if (!file.exists())
            return true;
        if (!file.open(QIODevice::ReadOnly) || !m_pMemory->loadState(file.readAll()))
            return false;
        m_saved = m_pMemory->changeCount();
        m_savedCommands = m_pMemory->rom().finishedCommands();
        return true;
    }

    void changed()
    {
        if (m_pMemory->rom().finishedCommands() != m_savedCommands)
            save();
        else if (!m_timer.isActive())
            m_timer.start();
    }

    void save()
    {
        m_timer.stop();
        QSaveFile file(m_fileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_pMemory->saveState()) < 0 || !file.commit()) {
            std::fprintf(stderr, "vextor-sim: cannot save %s\n", qPrintable(m_fileName));
            return;
        }
        m_saved = m_pMemory->changeCount();
        m_savedCommands = m_pMemory->rom().finishedCommands();
    }

    void saveIfChanged()
    {
        if (m_pMemory->changeCount() != m_saved || m_timer.isActive())
            save();
    }

private:
    static constexpr int BATCH_MS = 100;
    ModuleMemory* m_pMemory;
    QString m_fileName;
    QTimer m_timer;
    quint64 m_saved = 0;
    quint64 m_savedCommands = 0;
};

bool parsePort(const QString& text, quint16& port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    port = quint16(value);
    return true;
}

// The hardware version was once set with "--version TEXT"; that spelling still works, while
// "--version" alone prints the program's version. The simulator takes no other arguments, so a
// value after "--version" can only be a hardware version.
QStringList withHardwareVersionSpelling(QStringList args)
{
    const QString old = QStringLiteral("--version");
    const QString current = QStringLiteral("--hardware-version");
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i).startsWith(old + QLatin1Char('=')))
            args[i] = current + args.at(i).mid(old.size());
        else if (args.at(i) == old && i + 1 < args.size() && !args.at(i + 1).startsWith(QLatin1Char('-')))
            args[i] = current;
    }
    return args;
}

int usage(const QCommandLineParser& parser, const QString& message)
{
    std::fprintf(stderr, "vextor-sim: %s\n%s", qPrintable(message), qPrintable(parser.helpText()));
    return 64;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vextor-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXTOR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Software stand-in for the logic module (TAMP over UDP, counter stream over TCP)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption bindOption(QStringLiteral("bind"), QStringLiteral("Address to bind."),
                                        QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption udpOption(QStringLiteral("udp"), QStringLiteral("UDP port (0 = ephemeral)."),
                                       QStringLiteral("PORT"), QStringLiteral("4660"));
    const QCommandLineOption tcpOption(QStringLiteral("tcp"), QStringLiteral("TCP counter-stream port."),
                                       QStringLiteral("PORT"), QStringLiteral("24"));
    const QCommandLineOption stateOption(
        QStringLiteral("state"), QStringLiteral("File keeping the memories."), QStringLiteral("FILE"));
    const QCommandLineOption lossOption(QStringLiteral("loss"),
                                        QStringLiteral("Fraction of requests dropped."), QStringLiteral("P"),
                                        QStringLiteral("0"));
    const QCommandLineOption dupOption(QStringLiteral("dup"), QStringLiteral("Send every reply twice."));
    const QCommandLineOption strayOption(QStringLiteral("stray"),
                                         QStringLiteral("Send a reply with another id before each reply."));
    const QCommandLineOption delayOption(QStringLiteral("delay"), QStringLiteral("Delay of every reply."),
                                         QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the fault generator, the counter stream and --fill random."),
        QStringLiteral("N"));
    const QCommandLineOption hardwareVersionOption(
        QStringLiteral("hardware-version"), QStringLiteral("Hardware version bytes the module reports."),
        QStringLiteral("TEXT"), QStringLiteral("3.01"));
    const QCommandLineOption fillOption(
        QStringLiteral("fill"),
        QStringLiteral("Power-on contents of the registers and lookup tables: zero, or random (drawn from "
                       "--seed, default 1), as a module that loaded no slot may hold. A boot slot holding "
                       "an image replaces them."),
        QStringLiteral("zero|random"), QStringLiteral("zero"));
    const QCommandLineOption romBusyOption(QStringLiteral("rom-busy"),
                                           QStringLiteral("Time each ROM command keeps the module busy."),
                                           QStringLiteral("MS"), QString::number(RomStore::DEFAULT_BUSY_MS));
    const QCommandLineOption romPagesOption(QStringLiteral("rom-pages"),
                                            QStringLiteral("Usable data pages of the ROM page store."),
                                            QStringLiteral("N"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("Counter records per second, or max."),
                                        QStringLiteral("N|max"), QStringLiteral("1000"));
    const QCommandLineOption profileOption(
        QStringLiteral("rate-profile"),
        QStringLiteral("How the record rate moves: constant (--rate per second), poisson (random arrivals "
                       "around --rate), ramp[:S] (from 0 up to --rate over S seconds, again and again; "
                       "default 60), bursts[:S] (--rate for the first second of every S seconds; default "
                       "10)."),
        QStringLiteral("PROFILE"), QStringLiteral("constant"));
    const QCommandLineOption invalidOption(QStringLiteral("invalid-every"),
                                           QStringLiteral("Send an invalid word after every K records."),
                                           QStringLiteral("K"), QStringLiteral("0"));
    const QCommandLineOption previewOption(
        QStringLiteral("preview-stimulus"),
        QStringLiteral(
            "Run the registers in the emulator on the test pulses of FILE, in step with the clock, "
            "and stream what the measure counters count (the rate options then do not apply)."),
        QStringLiteral("FILE"));
    parser.addOptions({bindOption, udpOption, tcpOption, stateOption, lossOption, dupOption, strayOption,
                       delayOption, seedOption, hardwareVersionOption, romBusyOption, romPagesOption,
                       rateOption, profileOption, invalidOption, fillOption});
    parser.addOption(previewOption);
    if (!parser.parse(withHardwareVersionSpelling(QCoreApplication::arguments())))
        return usage(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vextor-sim %s\n", VEXTOR_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(parser,
                     QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    QHostAddress bindAddress;
    if (!bindAddress.setAddress(parser.value(bindOption)))
        return usage(parser, QStringLiteral("invalid address %1").arg(parser.value(bindOption)));
    quint16 udpPort = 0;
    quint16 tcpPort = 0;
    if (!parsePort(parser.value(udpOption), udpPort) || !parsePort(parser.value(tcpOption), tcpPort))
        return usage(parser, QStringLiteral("invalid port"));
    TampServer::Faults faults;
    bool ok = false;
    faults.loss = parser.value(lossOption).toDouble(&ok);
    if (!ok || faults.loss < 0.0 || faults.loss > 1.0)
        return usage(parser, QStringLiteral("--loss takes a fraction between 0 and 1"));
    faults.delayMs = parser.value(delayOption).toInt(&ok);
    if (!ok || faults.delayMs < 0)
        return usage(parser, QStringLiteral("--delay takes milliseconds"));
    const int romBusyMs = parser.value(romBusyOption).toInt(&ok);
    if (!ok || romBusyMs < 0)
        return usage(parser, QStringLiteral("--rom-busy takes milliseconds"));
    const int romPages = parser.isSet(romPagesOption) ? parser.value(romPagesOption).toInt(&ok) : -1;
    if (!ok || (parser.isSet(romPagesOption) && romPages < 0))
        return usage(parser, QStringLiteral("--rom-pages takes a number of pages"));
    int rate = 0; // as fast as the socket takes
    if (parser.value(rateOption) != QLatin1String("max")) {
        rate = parser.value(rateOption).toInt(&ok);
        if (!ok || rate <= 0)
            return usage(parser, QStringLiteral("--rate takes records per second or max"));
    }
    CounterStream::RateProfile profile;
    if (!CounterStream::RateProfile::parse(parser.value(profileOption), profile))
        return usage(parser,
                     QStringLiteral("--rate-profile takes constant, poisson, ramp[:S] or bursts[:S]"));
    if (rate == 0 && profile.kind != CounterStream::RateProfile::Constant)
        return usage(parser, QStringLiteral("--rate-profile needs a --rate in records per second"));
    const int invalidEvery = parser.value(invalidOption).toInt(&ok);
    if (!ok || invalidEvery < 0)
        return usage(parser, QStringLiteral("--invalid-every takes a number of records"));
    Stimulus stimulus;
    QString stimulusError;
    if (parser.isSet(previewOption) && !Stimulus::load(parser.value(previewOption), stimulus, stimulusError))
        return usage(parser, stimulusError);
    const QString fill = parser.value(fillOption);
    if (fill != QLatin1String("zero") && fill != QLatin1String("random"))
        return usage(parser, QStringLiteral("--fill takes zero or random"));
    quint32 seed = 1;
    if (parser.isSet(seedOption)) {
        seed = parser.value(seedOption).toUInt(&ok);
        if (!ok)
            return usage(parser, QStringLiteral("--seed takes a number"));
    }
    faults.dup = parser.isSet(dupOption);
    faults.stray = parser.isSet(strayOption);

    ModuleMemory memory;
    StateSaver* saver = nullptr;
    const bool fresh = !parser.isSet(stateOption) || !QFile::exists(parser.value(stateOption));
    if (parser.isSet(stateOption)) {
        saver = new StateSaver(&memory, parser.value(stateOption), &app);
        if (!saver->load()) {
            std::fprintf(stderr, "vextor-sim: %s is not a state file\n",
                         qPrintable(parser.value(stateOption)));
            return 2;
        }
    }
    memory.rom().setBusyMs(romBusyMs);
    memory.rom().setDataPages(romPages);
    // The version is what this run was asked to be, whatever the state file held.
    memory.setVersion(parser.value(hardwareVersionOption).toLatin1());
    if (fill == QLatin1String("random")) {
        memory.fillRandom(seed);
        memory.rom().boot();
    }

    TampServer server(&memory);
    server.setFaults(faults);
    CounterStream stream(&app);
    stream.setRegisterReader([&memory](quint32 address) { return memory.peek(address); });
    stream.setRate(rate);
    stream.setRateProfile(profile);
    stream.setInvalidEvery(invalidEvery);
    if (parser.isSet(seedOption)) {
        server.setSeed(seed);
        stream.setSeed(seed);
    }
    if (!server.listen(bindAddress, udpPort)) {
        std::fprintf(stderr, "vextor-sim: cannot bind UDP %s:%u: %s\n", qPrintable(bindAddress.toString()),
                     udpPort, qPrintable(server.errorString()));
        return 2;
    }
    // The module's own port 24 needs privileges a test machine rarely grants: unless a port was
    // asked for, fall back to an ephemeral one (the printed line tells which).
    if (!stream.listen(bindAddress, tcpPort) && !parser.isSet(tcpOption)) {
        std::fprintf(stderr, "vextor-sim: TCP port %u unavailable (%s), using an ephemeral port\n", tcpPort,
                     qPrintable(stream.errorString()));
        tcpPort = 0;
    }
    if (stream.port() == 0 && !stream.listen(bindAddress, tcpPort)) {
        std::fprintf(stderr, "vextor-sim: cannot listen on TCP %s:%u: %s\n",
                     qPrintable(bindAddress.toString()), tcpPort, qPrintable(stream.errorString()));
        return 2;
    }
    // A fresh module's EEPROM describes where it actually listens; a saved one keeps its own.
    if (fresh)
        memory.setNetwork(bindAddress, server.port(), stream.port());
    if (saver)
        QObject::connect(&server, &TampServer::memoryChanged, saver, &StateSaver::changed);

    std::unique_ptr<PreviewDriver> preview;
    if (parser.isSet(previewOption)) {
        preview = std::make_unique<PreviewDriver>(&memory, stimulus);
        stream.setExternalRecords(true);
        QObject::connect(preview.get(), &PreviewDriver::record, &stream, &CounterStream::sendRecord);
        QObject::connect(preview.get(), &PreviewDriver::fellBehind, [](qint64 lagNs) {
            std::fprintf(stderr,
                         "vextor-sim: the preview is %s behind the wall clock: the design and its pulses are "
                         "too busy to emulate in real time, so the counts come late\n",
                         qPrintable(PreviewRun::formatTime(lagNs)));
        });
        preview->start();
    }

    installSignalHandlers(app);
    std::printf("vextor-sim udp=%u tcp=%u\n", server.port(), stream.port());
    std::fflush(stdout);

    const int rc = app.exec();
    if (saver)
        saver->saveIfChanged();
    if (preview)
        std::printf("%s\n", qPrintable(preview->summary()));
    return rc;
}
