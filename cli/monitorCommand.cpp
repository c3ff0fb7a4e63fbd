#include "cli/cliContext.h"
#include "cli/commands.h"
#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"
#include "io/document.h"
#include "operations/monitorSetup.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace {

constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;

// Reads the stream the way the monitor window does until it ends or `seconds` have passed (0:
// no limit): one line "<counter> <last value> <count> <sum>" per report, then per counter of the
// diagram "total <counter> <name> <number> <integration>". A log file that cannot be created,
// or no connection, is a failure.
int runMonitor(CliContext& context, const CounterMonitorSetup& setup, int seconds, const QString& csvDir)
{
    QTextStream& out = context.out();
    QString path[COUNTERS], name[COUNTERS], unit[COUNTERS];
    for (int c = 0; c < COUNTERS; ++c) {
        path[c] = setup.mode[c] >= 0 && !csvDir.isEmpty() ? csvDir : setup.path[c];
        name[c] = setup.name[c];
        unit[c] = setup.unit[c];
    }
    std::unique_ptr<QOstrumThread> reader;
    try {
        reader = std::make_unique<QOstrumThread>(path, name, unit, setup.strAddr, setup.tcpPort,
                                                 setup.udpPort, nullptr, false);
    } catch (const QString& text) {
        return context.fail(text);
    }

    // Reports arrive queued in this thread, in the order the reader sent them.
    QObject receiver;
    QEventLoop loop;
    bool connected = false;
    QString failure;
    double number[COUNTERS] = {};
    double integration[COUNTERS] = {};
    QObject::connect(reader.get(), &QOstrumThread::connectedOstrum, &receiver,
                     [&connected] { connected = true; });
    QObject::connect(reader.get(), &QOstrumThread::error, &receiver,
                     [&failure](QString text) { failure = text; });
    QObject::connect(reader.get(), &QOstrumThread::recived, &receiver,
                     [&](int c, QString text, quint64 count, double sum) {
                         if (c < 0 || c >= COUNTERS)
                             return;
                         number[c] += double(count);
                         integration[c] += sum;
                         out << c << ' ' << text << ' ' << count << ' '
                             << QString::number(sum, 'f', CounterValueFormat::decimalsForUnit(unit[c]))
                             << Qt::endl;
                     });
    QObject::connect(reader.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &receiver, [&reader] { reader->stop(); });
    if (seconds > 0)
        deadline.start(seconds * 1000);
    reader->start();
    loop.exec();
    reader->wait();

    if (!connected)
        return context.fail(failure.isEmpty() ? QStringLiteral("Connection timed out") : failure);
    if (!failure.isEmpty())
        context.err() << failure << Qt::endl;
    for (int c = 0; c < COUNTERS; ++c) {
        if (setup.mode[c] >= 0)
            out << "total " << c << ' ' << name[c] << ' ' << CounterValueFormat::numberText(number[c]) << ' '
                << CounterValueFormat::integrationText(integration[c], unit[c]).trimmed() << '\n';
    }
    out.flush();
    return ExitOk;
}

} // namespace

int monitorCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--seconds"), QStringLiteral("--csv-dir")}, {}, parsed))
        return ExitUsage;
    if (parsed.positional.size() != 1)
        return context.usage(QStringLiteral("monitor needs one document"));
    int seconds = 0;
    if (parsed.has(QStringLiteral("--seconds"))) {
        const QString text = parsed.value(QStringLiteral("--seconds"));
        bool ok = false;
        seconds = text.toInt(&ok);
        if (!ok || seconds <= 0)
            return context.usage(QStringLiteral("--seconds needs a positive number: %1").arg(text));
    }
    const std::unique_ptr<Document> doc = context.loadDocument(parsed.positional.first());
    if (!doc)
        return ExitFailure;
    const CounterMonitorSetup setup =
        CounterMonitorSetup::fromDiagram(*doc->diagram(), context.target(doc.get()));
    return runMonitor(context, setup, seconds, parsed.value(QStringLiteral("--csv-dir")));
}
