#include "cli/monitorCommand.h"

#include "cli/cliApp.h"
#include "io/document.h"

#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include <memory>

bool parseMonitorOptions(const QStringList& args, MonitorOptions& options, QString& error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        if (option != QLatin1String("--seconds") && option != QLatin1String("--csv-dir")) {
            error = QString("unknown option: %1").arg(option);
            return false;
        }
        if (i + 1 >= args.size()) {
            error = QString("%1 needs a value").arg(option);
            return false;
        }
        const QString value = args[++i];
        if (option == QLatin1String("--csv-dir")) {
            options.csvDir = value;
            continue;
        }
        bool ok = false;
        options.seconds = value.toInt(&ok);
        if (!ok || options.seconds <= 0) {
            error = QString("--seconds needs a positive number: %1").arg(value);
            return false;
        }
    }
    return true;
}

QString monitorNumberText(double number)
{
    return QString::number(number, 'g', 6);
}

QString monitorIntegrationText(double integration, const QString& unit)
{
    return QString::number(integration, 'f', CounterValueFormat::decimalsForUnit(unit)) + " " + unit;
}

int runMonitor(const MonitorCounters& counters, const InfoOstrum& target, const MonitorOptions& options,
               QTextStream& out, QTextStream& err)
{
    constexpr int COUNTERS = MonitorCounters::COUNTERS;
    QString path[COUNTERS], name[COUNTERS], unit[COUNTERS];
    for (int c = 0; c < COUNTERS; ++c) {
        const bool used = counters.mode[c] >= 0;
        path[c] = used && !options.csvDir.isEmpty() ? options.csvDir : counters.path[c];
        name[c] = counters.name[c];
        unit[c] = counters.unit[c];
    }

    std::unique_ptr<QOstrumThread> reader;
    try {
        reader = std::make_unique<QOstrumThread>(path, name, unit, target.strAddr, target.tcpPort,
                                                 target.udpPort, nullptr, false);
    } catch (const QString& text) {
        err << text << "\n";
        err.flush();
        return 1;
    }

    // Reports arrive queued in this thread, in the order the reader sent them.
    QObject context;
    QEventLoop loop;
    bool connected = false;
    QString failure;
    double number[COUNTERS] = {};
    double integration[COUNTERS] = {};
    QObject::connect(reader.get(), &QOstrumThread::connectedOstrum, &context,
                     [&connected] { connected = true; });
    QObject::connect(reader.get(), &QOstrumThread::error, &context,
                     [&failure](QString text) { failure = text; });
    QObject::connect(
        reader.get(), &QOstrumThread::recived, &context, [&](int c, QString text, quint64 count, double sum) {
            if (c < 0 || c >= COUNTERS)
                return;
            number[c] += double(count);
            integration[c] += sum;
            out << c << ' ' << text << ' ' << count << ' '
                << QString::number(sum, 'f', CounterValueFormat::decimalsForUnit(unit[c])) << '\n';
            out.flush();
        });
    QObject::connect(reader.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &context, [&reader] { reader->stop(); });
    if (options.seconds > 0)
        deadline.start(options.seconds * 1000);
    reader->start();
    loop.exec();
    reader->wait();

    if (!connected) {
        err << (failure.isEmpty() ? QStringLiteral("Connection timed out") : failure) << "\n";
        err.flush();
        return 2;
    }
    if (!failure.isEmpty()) {
        err << failure << "\n";
        err.flush();
    }
    for (int c = 0; c < COUNTERS; ++c) {
        if (counters.mode[c] < 0)
            continue;
        out << "total " << c << ' ' << name[c] << ' ' << monitorNumberText(number[c]) << ' '
            << monitorIntegrationText(integration[c], unit[c]).trimmed() << '\n';
    }
    out.flush();
    return 0;
}

int runMonitor(BlockDiagram& diagram, const InfoOstrum& target, const MonitorOptions& options,
               QTextStream& out, QTextStream& err)
{
    MonitorCounters counters;
    diagram.checkMsrCnt(counters.mode, counters.path, counters.name, counters.unit);
    return runMonitor(counters, target, options, out, err);
}

int monitorCommand(CliContext& context, const QStringList& args)
{
    MonitorOptions options;
    QString error;
    if (!parseMonitorOptions(args.mid(1), options, error)) {
        context.err() << error << '\n' << CliApp::usageText();
        return ExitUsage;
    }
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitInput;
    return runMonitor(*doc->diagram(), context.options().target(doc.get()), options, context.out(),
                      context.err());
}
