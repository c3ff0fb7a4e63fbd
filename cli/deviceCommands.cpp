#include "cli/deviceCommands.h"

#include "cli/workerJob.h"
#include "device/netSetup.h"
#include "device/qUdpThread.h"
#include "io/document.h"
#include "model/blockDiagram.h"

#include <QHostAddress>
#include <QTextDocument>
#include <QTextStream>
#include <QVector>

namespace DeviceCommands {
namespace {

const char* const TEXT_WRITE_PROTECTED = "The Register is write-protected.";
const char* const TEXT_MISMATCH_PREFIX = "Verify: The Register data don't match.";
constexpr quint8 PROTECT_WRITABLE = 0x01;
constexpr quint8 PROTECT_ROM_WRITE = 0x02;
constexpr int STATUS_PROTECT = 4;
constexpr int STATUS_SECOND = 5; // boot protect, or boot slot with ROM information
constexpr int STATUS_COMMENTS = 6;

constexpr int Success = ExitOk;
constexpr int Negative = ExitFindings;
constexpr int Failure = ExitInput;
constexpr int Usage = ExitUsage;

// The worker emits nothing at all for a null address: such a target is refused beforehand.
bool checkAddress(const Context& context, const InfoOstrum& target)
{
    if (!QHostAddress(target.strAddr).isNull())
        return true;
    *context.err << target.strAddr << " is invalid address." << Qt::endl;
    return false;
}

int fail(const Context& context, const QString& text)
{
    *context.err << text << Qt::endl;
    return Failure;
}

int usage(const Context& context, const QString& text)
{
    *context.err << text << Qt::endl;
    return Usage;
}

// Takes "--name value" pairs out of args; anything else left over is a usage error.
bool takeOptions(QStringList args, const QStringList& names, QMap<QString, QString>& values, QString& error)
{
    while (!args.isEmpty()) {
        const QString name = args.takeFirst();
        if (!names.contains(name)) {
            error = QStringLiteral("unexpected argument: %1").arg(name);
            return false;
        }
        if (args.isEmpty()) {
            error = QStringLiteral("%1 needs a value").arg(name);
            return false;
        }
        values[name] = args.takeFirst();
    }
    return true;
}

bool onOff(const QString& text, bool& value)
{
    if (text == QLatin1String("on"))
        value = true;
    else if (text == QLatin1String("off"))
        value = false;
    else
        return false;
    return true;
}

bool registersProtected(const QByteArray& status)
{
    return status.size() > STATUS_PROTECT && !(quint8(status.at(STATUS_PROTECT)) & PROTECT_WRITABLE);
}

// The first steps of download and verify: the document and its target. Returns an exit code, or
// -1 to go on.
int prepareDocument(const Context& context, const QStringList& args, std::shared_ptr<Document>& doc,
                    InfoOstrum& target)
{
    if (args.size() != 1)
        return usage(context, QStringLiteral("a document file name is needed"));
    doc = context.loadDocument ? context.loadDocument(args.first()) : nullptr;
    if (!doc)
        return Failure; // the reader has said why
    target = context.options.target(doc.get());
    return checkAddress(context, target) ? -1 : Failure;
}

int statusAllowsWriting(const Context& context, const InfoOstrum& target)
{
    QUdpThread worker;
    worker.setStatusReq(false);
    const JobOutcome status = runWorkerJob(worker, target);
    if (!status.bOk)
        return fail(context, status.error);
    if (registersProtected(status.data)) {
        *context.err << TEXT_WRITE_PROTECTED << Qt::endl;
        return Negative;
    }
    return -1;
}

QString protectionText(bool bProtected)
{
    return bProtected ? QStringLiteral("on") : QStringLiteral("off");
}

QString commentText(const QByteArray& comment)
{
    const int end = comment.indexOf('\0');
    return QString::fromLocal8Bit(end < 0 ? comment : comment.left(end));
}

} // namespace

Context Context::fromCli(CliContext& cli)
{
    Context context;
    context.options = cli.options();
    context.out = &cli.out();
    context.err = &cli.err();
    context.loadDocument = [&cli](const QString& fileName) {
        return std::shared_ptr<Document>(cli.loadDocument(fileName));
    };
    context.designRuleCheck = [](BlockDiagram& diagram, QString& report) {
        QTextDocument document;
        const int verdict = diagram.drc(&document);
        report = document.toPlainText();
        return verdict;
    };
    return context;
}

int download(const Context& context, const QStringList& args)
{
    std::shared_ptr<Document> doc;
    InfoOstrum target;
    int rc = prepareDocument(context, args, doc, target);
    if (rc >= 0)
        return rc;

    QString report;
    const int drc = context.designRuleCheck ? context.designRuleCheck(*doc->diagram(), report) : 0;
    if (drc != 0)
        *context.err << report << Qt::endl;
    if (drc > 0)
        return Negative;

    rc = statusAllowsWriting(context, target);
    if (rc >= 0)
        return rc;

    QUdpThread worker;
    worker.setData(doc->diagram(), nullptr);
    const JobOutcome outcome = runWorkerJob(
        worker, target, context.err, QStringLiteral("Download - TAMP Access"), QStringLiteral(" bytes"));
    if (!outcome.bOk)
        return fail(context, outcome.error);
    return Success;
}

int verify(const Context& context, const QStringList& args)
{
    std::shared_ptr<Document> doc;
    InfoOstrum target;
    int rc = prepareDocument(context, args, doc, target);
    if (rc >= 0)
        return rc;
    rc = statusAllowsWriting(context, target);
    if (rc >= 0)
        return rc;

    QTextDocument reportDocument;
    QUdpThread worker;
    worker.setData(doc->diagram(), &reportDocument);
    const JobOutcome outcome = runWorkerJob(worker, target);
    if (outcome.bOk) {
        *context.out << outcome.error << Qt::endl;
        return Success;
    }
    if (outcome.error.startsWith(QLatin1String(TEXT_MISMATCH_PREFIX))) {
        *context.out << outcome.error << Qt::endl;
        return Negative;
    }
    return fail(context, outcome.error);
}

int status(const Context& context, const QStringList& args)
{
    if (!args.isEmpty())
        return usage(context, QStringLiteral("status takes no arguments"));
    const InfoOstrum target = context.options.target();
    if (!checkAddress(context, target))
        return Failure;
    QUdpThread worker;
    worker.setStatusReq(true);
    const JobOutcome outcome = runWorkerJob(worker, target);
    if (!outcome.bOk)
        return fail(context, outcome.error);

    const QByteArray& s = outcome.data;
    QTextStream& out = *context.out;
    out << "Version: " << QString::fromLatin1(s.left(4)) << " (" << s.left(4).toHex(' ') << ")\n";
    const quint8 protect = quint8(s.at(STATUS_PROTECT));
    out << "Protect: 0x" << QString::number(protect, 16).rightJustified(2, QLatin1Char('0'))
        << ((protect & PROTECT_WRITABLE) ? " (registers writable" : " (registers write-protected")
        << ((protect & PROTECT_ROM_WRITE) ? ", ROM writing enabled)\n" : ", ROM writing disabled)\n");
    if (s.size() <= STATUS_SECOND) {
        out << "ROM information: not available while the registers are write-protected\n";
        out.flush();
        return Success;
    }
    out << "Boot slot: " << int(quint8(s.at(STATUS_SECOND))) << "\n";
    for (int slot = 0; slot < QUdpThread::ROM_SLOTS; ++slot) {
        const QByteArray comment =
            s.mid(STATUS_COMMENTS + slot * QUdpThread::COMMENT_SIZE, QUdpThread::COMMENT_SIZE);
        out << "Slot " << slot << ": " << commentText(comment) << "\n";
    }
    out.flush();
    return Success;
}

int protect(const Context& context, const QStringList& args)
{
    QMap<QString, QString> values;
    QString error;
    if (!takeOptions(args, {QStringLiteral("--current"), QStringLiteral("--boot")}, values, error))
        return usage(context, error);
    bool bCurrent = false;
    bool bBoot = false;
    const bool bSetCurrent = values.contains(QStringLiteral("--current"));
    const bool bSetBoot = values.contains(QStringLiteral("--boot"));
    if ((bSetCurrent && !onOff(values.value(QStringLiteral("--current")), bCurrent)) ||
        (bSetBoot && !onOff(values.value(QStringLiteral("--boot")), bBoot)))
        return usage(context, QStringLiteral("--current and --boot take on or off"));

    const InfoOstrum target = context.options.target();
    if (!checkAddress(context, target))
        return Failure;
    QUdpThread reader;
    reader.setStatusReq(QUdpThread::BootProtect);
    const JobOutcome status = runWorkerJob(reader, target);
    if (!status.bOk)
        return fail(context, status.error);
    const char current = status.data.at(STATUS_PROTECT);
    const char boot =
        status.data.size() > STATUS_SECOND ? status.data.at(STATUS_SECOND) : char(PROTECT_WRITABLE);
    const bool bCurrentNow = !(quint8(current) & PROTECT_WRITABLE);
    const bool bBootNow = !(quint8(boot) & PROTECT_WRITABLE);

    // Only what differs is written, as the editor's write-protect dialog does.
    QUdpThread writer;
    bool bWrite = false;
    auto protectByte = [](char byte, bool bProtect) {
        return QByteArray(1, bProtect ? char(byte & ~PROTECT_WRITABLE) : char(byte | PROTECT_WRITABLE));
    };
    if (bSetCurrent && bCurrent != bCurrentNow) {
        writer.setData(QUdpThread::ADDR_ROM_PROTECT, protectByte(current, bCurrent), false);
        bWrite = true;
    }
    if (bSetBoot && bBoot != bBootNow) {
        writer.setData(QUdpThread::ADDR_EEPROM_PROTECT, protectByte(boot, bBoot), true);
        bWrite = true;
    }
    if (bWrite) {
        const JobOutcome written = runWorkerJob(writer, target);
        if (!written.bOk)
            return fail(context, written.error);
    }
    *context.out << "Current protection: " << protectionText(bSetCurrent ? bCurrent : bCurrentNow) << "\n"
                 << "Boot protection: " << protectionText(bSetBoot ? bBoot : bBootNow) << Qt::endl;
    return Success;
}

int userControl(const Context& context, const QStringList& args)
{
    QMap<QString, QString> values;
    QString error;
    if (!takeOptions(args, {QStringLiteral("--set")}, values, error))
        return usage(context, error);
    const InfoOstrum target = context.options.target();
    if (!checkAddress(context, target))
        return Failure;

    if (values.contains(QStringLiteral("--set"))) {
        QString text = values.value(QStringLiteral("--set"));
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            text = text.mid(2);
        bool ok = false;
        const uint word = text.toUInt(&ok, 16);
        if (!ok || word > 0xFFFF || text.size() > 4)
            return usage(context, QStringLiteral("--set takes a 16-bit hexadecimal value"));
        QByteArray bytes;
        QUdpThread::addValue(bytes, quint16(word));
        QUdpThread writer;
        writer.setData(QUdpThread::REG_USER_CONTROL, bytes, false);
        const JobOutcome written = runWorkerJob(writer, target);
        if (!written.bOk)
            return fail(context, written.error);
    }
    QUdpThread reader;
    reader.setReadReq(QUdpThread::REG_USER_CONTROL, 2);
    const JobOutcome outcome = runWorkerJob(reader, target);
    if (!outcome.bOk)
        return fail(context, outcome.error);
    const uint word = (uint(quint8(outcome.data.at(0))) << 8) | quint8(outcome.data.at(1));
    *context.out << "User control: 0x" << QString::number(word, 16).rightJustified(4, QLatin1Char('0'))
                 << Qt::endl;
    return Success;
}

int eepromRead(const Context& context, const QStringList& args)
{
    if (!args.isEmpty())
        return usage(context, QStringLiteral("eeprom-read takes no arguments"));
    const InfoOstrum target = context.options.target();
    if (!checkAddress(context, target))
        return Failure;
    QUdpThread reader;
    reader.setReadReq(NetSetup::EEPROM_INFO, NetSetup::EEPROM_LEN);
    const JobOutcome outcome = runWorkerJob(reader, target);
    if (!outcome.bOk) {
        QString text = NetSetup::accessErrorText(target.strAddr, QString::number(target.udpPort));
        if (!outcome.error.isEmpty())
            text += QStringLiteral("\n") + outcome.error;
        return fail(context, text);
    }
    *context.out << NetSetup::formatEepromInfo(outcome.data) << Qt::endl;
    return Success;
}

int eepromWrite(const Context& context, const QStringList& args)
{
    QMap<QString, QString> values;
    QString error;
    if (!takeOptions(args, {QStringLiteral("--ip"), QStringLiteral("--tcp"), QStringLiteral("--udp")}, values,
                     error))
        return usage(context, error);
    if (!values.contains(QStringLiteral("--ip")))
        return usage(context, QStringLiteral("eeprom-write needs --ip A.B.C.D"));
    const InfoOstrum target = context.options.target();
    NetSetup setup;
    const QString warning =
        setup.setNewSettings(values.value(QStringLiteral("--ip")),
                             values.value(QStringLiteral("--tcp"), QString::number(target.tcpPort)),
                             values.value(QStringLiteral("--udp"), QString::number(target.udpPort)));
    if (!warning.isEmpty())
        return usage(context, warning);
    if (!checkAddress(context, target))
        return Failure;
    setup.setTarget(target.strAddr, QString::number(target.udpPort));
    QUdpThread worker;
    worker.setData(&setup);
    const JobOutcome outcome = runWorkerJob(worker, target);
    if (!outcome.bOk)
        return fail(context, outcome.error);
    *context.out << NetSetup::successText() << Qt::endl;
    return Success;
}

} // namespace DeviceCommands

int downloadCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::download(DeviceCommands::Context::fromCli(context), args);
}

int verifyCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::verify(DeviceCommands::Context::fromCli(context), args);
}

int statusCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::status(DeviceCommands::Context::fromCli(context), args);
}

int protectCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::protect(DeviceCommands::Context::fromCli(context), args);
}

int userControlCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::userControl(DeviceCommands::Context::fromCli(context), args);
}

int eepromReadCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::eepromRead(DeviceCommands::Context::fromCli(context), args);
}

int eepromWriteCommand(CliContext& context, const QStringList& args)
{
    return DeviceCommands::eepromWrite(DeviceCommands::Context::fromCli(context), args);
}
