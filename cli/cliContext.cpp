#include "cli/cliContext.h"

#include "io/document.h"
#include "operations/deviceOperation.h"

#include <QEventLoop>

int exitCodeFor(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Done:
        return ExitOk;
    case Verdict::DrcErrors:
    case Verdict::ExpressionError:
    case Verdict::WriteProtected:
    case Verdict::Mismatch:
    case Verdict::NotDownloaded:
    case Verdict::MemoryFull:
    case Verdict::NoData:
    case Verdict::RegistersModified:
        return ExitNegative;
    case Verdict::DamagedSlot:
    case Verdict::CommunicationFailure:
    case Verdict::Cancelled:
        break;
    }
    return ExitFailure;
}

InfoOstrum GlobalOptions::target(const Document* doc) const
{
    InfoOstrum t = InfoOstrum::defaults(true);
    if (doc) {
        const InfoOstrum& stored = doc->info();
        if (!stored.strAddr.isEmpty())
            t.strAddr = stored.strAddr;
        t.tcpPort = stored.tcpPort;
        t.udpPort = stored.udpPort;
        t.timeout = stored.timeout;
        t.bStart = stored.bStart;
    }
    if (bHost)
        t.strAddr = values.strAddr;
    if (bUdpPort)
        t.udpPort = values.udpPort;
    if (bTcpPort)
        t.tcpPort = values.tcpPort;
    if (bTimeout)
        t.timeout = values.timeout;
    return t;
}

bool CommandArgs::scan(const QStringList& args, const QStringList& valued, const QStringList& flags,
                       CommandArgs& parsed, QString& error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (valued.contains(arg)) {
            if (++i == args.size()) {
                error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            parsed.options[arg] = args.at(i);
        } else if (flags.contains(arg)) {
            parsed.options[arg] = QString();
        } else if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unexpected argument: %1").arg(arg);
            return false;
        } else {
            parsed.positional << arg;
        }
    }
    return true;
}

CliContext::CliContext(const GlobalOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options)
    , m_out(out)
    , m_err(err)
{}

bool CliContext::scan(const QStringList& args, const QStringList& valued, const QStringList& flags,
                      CommandArgs& parsed)
{
    QString error;
    if (CommandArgs::scan(args, valued, flags, parsed, error))
        return true;
    usage(error);
    return false;
}

std::unique_ptr<Document> CliContext::loadDocument(const QString& fileName)
{
    QByteArray data;
    QString error;
    if (!Document::readFile(fileName, data, &error)) {
        m_err << error << '\n';
        return nullptr;
    }
    auto doc = std::make_unique<Document>();
    const bool parsed = doc->parseFile(data);
    QStringList shown;
    for (const auto& message : doc->messages()) {
        m_err << message.second << '\n';
        shown.append(message.second);
    }
    if (!parsed) {
        // The reader may have raised its failure as a message already.
        if (!doc->errorText().isEmpty() && !shown.contains(doc->errorText()))
            m_err << doc->errorText() << '\n';
        if (doc->isEmptyDocument())
            m_err << QStringLiteral("File specified in %1 is not a valid XML file for Vextor3.").arg(fileName)
                  << '\n';
        return nullptr;
    }
    if (!doc->readOK())
        m_err << QStringLiteral("The loaded file is not correct. Some setting is ignored.") << '\n';
    return doc;
}

const OperationOutcome& CliContext::run(DeviceOperation& operation, bool bProgress)
{
    QEventLoop loop;
    bool bShown = false;
    QObject::connect(&operation, &DeviceOperation::finished, &loop, &QEventLoop::quit);
    if (bProgress) {
        QObject::connect(&operation, &DeviceOperation::progress, &loop,
                         [this, &bShown](const QString& label, int, int value) {
                             m_err << "\r" << label << ": " << value << " bytes" << Qt::flush;
                             bShown = true;
                         });
    }
    operation.start();
    loop.exec();
    if (bShown)
        m_err << "\n" << Qt::flush;
    if (!operation.outcome().notice.isEmpty())
        m_err << operation.outcome().notice << Qt::endl;
    return operation.outcome();
}

int CliContext::report(const OperationOutcome& outcome)
{
    if (!outcome.isDone() && !outcome.message.isEmpty())
        m_err << outcome.message << Qt::endl;
    return exitCodeFor(outcome.verdict);
}

int CliContext::usage(const QString& text)
{
    m_err << text << Qt::endl;
    return ExitUsage;
}

int CliContext::fail(const QString& text)
{
    m_err << text << Qt::endl;
    return ExitFailure;
}
