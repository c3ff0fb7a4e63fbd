#include "cli/cliContext.h"

#include "io/loadedDocument.h"
#include "operations/deviceOperation.h"

#include <QEventLoop>
#include <QJsonDocument>

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

CliContext::CliContext(const GlobalOptions& options, const QString& command, QTextStream& out,
                       QTextStream& err)
    : m_options(options)
    , m_command(command)
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
    LoadedDocument loaded = LoadedDocument::fromFile(fileName);
    if (!loaded.document) {
        finish(CommandResult::failure(CommandResult::FILE_FAILURE, loaded.error));
        return nullptr;
    }
    for (const QString& message : qAsConst(loaded.notices))
        notice(message);
    return std::move(loaded.document);
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
    return ended(operation);
}

const OperationOutcome& CliContext::ended(const DeviceOperation& operation)
{
    if (!operation.outcome().notice.isEmpty())
        notice(operation.outcome().notice);
    return operation.outcome();
}

void CliContext::notice(const QString& text)
{
    m_err << text << Qt::endl;
    m_notices.append(text);
}

void CliContext::problem(const QString& text)
{
    m_err << text << Qt::endl;
    m_problems.append(text);
}

int CliContext::finish(const CommandResult& result)
{
    Q_ASSERT(!m_bFinished); // one result per command
    m_bFinished = true;
    if (!result.message.isEmpty())
        m_err << result.message << Qt::endl;
    QStringList messages = m_problems;
    if (!result.message.isEmpty())
        messages.append(result.message);
    m_result = {{"command", m_command},
                {"verdict", result.verdict},
                {"exit_code", result.exitCode},
                {"text", result.text},
                {"message", messages.join(QLatin1Char('\n'))},
                {"notice", m_notices.join(QLatin1Char('\n'))},
                {"data", result.data}};
    if (json())
        printJson(m_result);
    else
        m_out << result.text << Qt::flush;
    return result.exitCode;
}

void CliContext::printJson(const QJsonObject& object)
{
    m_out.setCodec("UTF-8"); // JSON is UTF-8, whatever the locale
    m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n' << Qt::flush;
}

int CliContext::usage(const QString& text)
{
    m_err << text << Qt::endl;
    return ExitUsage;
}
