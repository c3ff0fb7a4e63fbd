#include "cli/romCommands.h"

#include "cli/cliApp.h"
#include "cli/workerJob.h"
#include "device/qUdpThread.h"
#include "io/document.h"
#include "model/blockDiagram.h"

#include <QHostAddress>
#include <QSaveFile>
#include <QTextStream>

using DeviceCommands::Context;

namespace RomCommands {
namespace {

const char* const TEXT_WRITE_PROTECTED = "The Register is write-protected.";
const char* const TEXT_NOT_DOWNLOADED = "The displayed data have not been yet downloaded.";
const char* const TEXT_GUI_NOT_SAVED = "The GUI information cannot be saved.";
const char* const TEXT_NO_COMMENT = "Please give it a user comment.";
const char* const TEXT_COMMENT_TOO_LONG = "The length of the user comment should be at most %1 bytes.";
const char* const TEXT_MEMORY_FULL = "Memory Full: The GUI information could not be saved.";
const char* const TEXT_NO_DATA = "%1: There is no data to be displayed.";
const char* const TEXT_MODIFIED = "Register settings are already modified.";

constexpr quint8 PROTECT_WRITABLE = 0x01;
constexpr int STATUS_PROTECT = 4;
constexpr int STATUS_BOOT_SLOT = 5;
constexpr int STATUS_COMMENTS = 6;
constexpr int STATUS_ROM_SIZE = STATUS_COMMENTS + QUdpThread::USER_AREA_SIZE;

int fail(const Context& context, const QString& text, int code = ExitInput)
{
    *context.err << text << Qt::endl;
    return code;
}

bool parseSlot(const QString& text, int& slot)
{
    bool ok = false;
    slot = text.toInt(&ok);
    return ok && slot >= 0 && slot < QUdpThread::ROM_SLOTS;
}

// Takes the options (with or without a value) out of args, leaving the positional arguments.
bool takeArguments(QStringList args, const QStringList& valued, const QStringList& flags,
                   QMap<QString, QString>& options, QStringList& positional, QString& error)
{
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (valued.contains(arg)) {
            if (args.isEmpty()) {
                error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            options[arg] = args.takeFirst();
        } else if (flags.contains(arg)) {
            options[arg] = QString();
        } else if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unexpected argument: %1").arg(arg);
            return false;
        } else {
            positional << arg;
        }
    }
    return true;
}

// The module to talk to, refused beforehand when its address is not one (the worker would
// then end without a word).
bool resolve(const Context& context, const Document* document, InfoOstrum& target)
{
    target = context.options.target(document);
    if (!QHostAddress(target.strAddr).isNull())
        return true;
    *context.err << target.strAddr << " is invalid address." << Qt::endl;
    return false;
}

// Every ROM command starts here: the module to talk to, then the status job with ROM information
// (comparing the registers with the document's when one is given). Returns an exit code, or -1
// when the registers are writable and the status holds the ROM information.
int startRomCommand(const Context& context, Document* document, InfoOstrum& target, JobOutcome& status)
{
    if (!resolve(context, document, target))
        return ExitInput;
    QUdpThread worker;
    worker.setStatusReq(true);
    if (document)
        worker.setData(document->diagram(), nullptr);
    status = runWorkerJob(worker, target);
    if (!status.bOk)
        return fail(context, status.error);
    const QByteArray& s = status.data;
    if (s.size() < STATUS_ROM_SIZE || !(quint8(s.at(STATUS_PROTECT)) & PROTECT_WRITABLE))
        return fail(context, QString::fromLatin1(TEXT_WRITE_PROTECTED), ExitFindings);
    return -1;
}

QByteArray storedComment(const QByteArray& status, int slot)
{
    return status.mid(STATUS_COMMENTS + slot * QUdpThread::COMMENT_SIZE, QUdpThread::COMMENT_SIZE);
}

QString commentText(const QByteArray& record)
{
    const int end = record.indexOf('\0');
    return QString::fromUtf8(end < 0 ? record : record.left(end));
}

// A restored document to its file (saved atomically) or to standard output.
int deliverDocument(const Context& context, const QByteArray& xml, const QString& fileName)
{
    if (fileName.isEmpty()) {
        context.out->setCodec("UTF-8"); // the document's own encoding, whatever the locale
        *context.out << QString::fromUtf8(xml) << Qt::flush;
        return ExitOk;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size() || !file.commit())
        return fail(context, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    return ExitOk;
}

} // namespace

QByteArray freshFatImage()
{
    QByteArray fat(QUdpThread::PAGE_SIZE, char(0xFF));
    for (int i = 0; i < 2 * QUdpThread::ROM_SLOTS; ++i)
        fat[i] = char(QUdpThread::FAT_RESERVE);
    fat[QUdpThread::PAGE_SIZE - 2] = char(QUdpThread::FAT_RESERVE);
    fat[QUdpThread::PAGE_SIZE - 1] = char(QUdpThread::FAT_RESERVE);
    return fat;
}

int romSave(const Context& context, const QStringList& args)
{
    QMap<QString, QString> options;
    QStringList positional;
    QString error;
    if (!takeArguments(args, {QStringLiteral("--comment")},
                       {QStringLiteral("--boot"), QStringLiteral("--force")}, options, positional, error))
        return fail(context, error, ExitUsage);
    int slot = 0;
    if (positional.size() != 2 || !parseSlot(positional.at(1), slot))
        return fail(context, QStringLiteral("rom-save needs a document and a slot from 0 to 15"), ExitUsage);
    const QString fileName = positional.first();
    const QString comment = options.contains(QStringLiteral("--comment"))
                                ? options.value(QStringLiteral("--comment"))
                                : fileName.section(QLatin1Char('/'), -1);
    if (comment.isEmpty())
        return fail(context, QString::fromLatin1(TEXT_NO_COMMENT), ExitUsage);
    const QByteArray commentBytes = comment.toUtf8();
    if (commentBytes.size() > QUdpThread::COMMENT_SIZE)
        return fail(context, QString::fromLatin1(TEXT_COMMENT_TOO_LONG).arg(QUdpThread::COMMENT_SIZE),
                    ExitUsage);

    const std::shared_ptr<Document> document =
        context.loadDocument ? context.loadDocument(fileName) : std::shared_ptr<Document>();
    if (!document)
        return ExitInput; // the reader has said why
    InfoOstrum target;
    JobOutcome status;
    const int rc = startRomCommand(context, document.get(), target, status);
    if (rc >= 0)
        return rc;
    // The editor asks twice before it stores a document the module's registers do not hold.
    if (status.result != 0 && !options.contains(QStringLiteral("--force"))) {
        *context.err << TEXT_NOT_DOWNLOADED << "\n"
                     << TEXT_GUI_NOT_SAVED << "\n(--force saves it nevertheless)" << Qt::endl;
        return ExitFindings;
    }

    QUdpThread worker;
    // An unchanged comment is not written again.
    if (commentText(storedComment(status.data, slot)) != comment) {
        QByteArray record = commentBytes;
        record.append(QByteArray(QUdpThread::COMMENT_SIZE - record.size(), '\0'));
        worker.setData(QUdpThread::ADDR_USER_BEGIN + quint32(slot * QUdpThread::COMMENT_SIZE), record, false);
    }
    const int bootSlot = quint8(status.data.at(STATUS_BOOT_SLOT));
    if (options.contains(QStringLiteral("--boot")) && bootSlot != slot)
        worker.setData(QUdpThread::ADDR_ROM_DEFAULT, QByteArray(1, char(slot)), true);
    *worker.setXmlReq(slot) = document->toXml();
    worker.setRomAccess(QUdpThread::ADDR_ROM_WRITE + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    const JobOutcome saved =
        runWorkerJob(worker, target, context.err, QStringLiteral("Save to ROM"), QStringLiteral(" bytes"));
    if (!saved.bOk)
        return fail(context, saved.error);
    if (saved.bXml)
        return fail(context, QString::fromLatin1(TEXT_MEMORY_FULL), ExitFindings);
    *context.out << "Saved to ROM slot " << slot << Qt::endl;
    return ExitOk;
}

// A document read back from the module: its name first, then the text to FILE or standard output.
int deliverRestored(const Context& context, const QString& name, const QByteArray& xml,
                    const QString& outFile)
{
    *context.err << name << Qt::endl;
    if (xml.isEmpty())
        return fail(context, QString::fromLatin1(TEXT_NO_DATA).arg(name), ExitFindings);
    return deliverDocument(context, xml, outFile);
}

int romRestore(const Context& context, const QStringList& args)
{
    QMap<QString, QString> options;
    QStringList positional;
    QString error;
    if (!takeArguments(args, {QStringLiteral("--out")}, {}, options, positional, error))
        return fail(context, error, ExitUsage);
    int slot = 0;
    if (positional.size() != 1 || !parseSlot(positional.first(), slot))
        return fail(context, QStringLiteral("rom-restore needs a slot from 0 to 15"), ExitUsage);
    InfoOstrum target;
    JobOutcome status;
    const int rc = startRomCommand(context, nullptr, target, status);
    if (rc >= 0)
        return rc;
    const QString name = QUdpThread::romDocumentName(slot, storedComment(status.data, slot));

    QUdpThread worker;
    QByteArray xml;
    worker.setXmlReq(slot, &xml);
    worker.setRomAccess(QUdpThread::ADDR_ROM_READ + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    const JobOutcome restored = runWorkerJob(worker, target, context.err, QStringLiteral("Restore from ROM"),
                                             QStringLiteral(" bytes"));
    if (!restored.bOk)
        return fail(context, restored.error);
    return deliverRestored(context, name, restored.xml, options.value(QStringLiteral("--out")));
}

int romBoot(const Context& context, const QStringList& args)
{
    int slot = 0;
    if (args.size() != 1 || !parseSlot(args.first(), slot))
        return fail(context, QStringLiteral("rom-boot needs a slot from 0 to 15"), ExitUsage);
    InfoOstrum target;
    JobOutcome status;
    const int rc = startRomCommand(context, nullptr, target, status);
    if (rc >= 0)
        return rc;
    QUdpThread worker;
    worker.setData(QUdpThread::ADDR_ROM_DEFAULT, QByteArray(1, char(slot)), true);
    const JobOutcome written = runWorkerJob(worker, target);
    if (!written.bOk)
        return fail(context, written.error);
    *context.out << "Boot slot: " << slot << Qt::endl;
    return ExitOk;
}

int romInit(const Context& context, const QStringList& args)
{
    if (!args.isEmpty())
        return fail(context, QStringLiteral("rom-init takes no arguments"), ExitUsage);
    InfoOstrum target;
    JobOutcome status;
    const int rc = startRomCommand(context, nullptr, target, status);
    if (rc >= 0)
        return rc;

    // Every slot gets the registers of an empty diagram; comments, boot slot and FAT start anew.
    BlockDiagram emptyDiagram;
    QUdpThread worker;
    worker.setData(QUdpThread::ADDR_USER_BEGIN, QByteArray(QUdpThread::USER_AREA_SIZE, '\0'), false);
    if (status.data.at(STATUS_BOOT_SLOT) != 0)
        worker.setData(QUdpThread::ADDR_ROM_DEFAULT, QByteArray(1, '\0'), true);
    worker.setRomAccess(QUdpThread::ADDR_USER_ROM_WRITE, 0);
    worker.setData(QUdpThread::ADDR_USER2_BEGIN, freshFatImage(), false);
    QByteArray fatPage;
    QUdpThread::addValue(fatPage, quint32(QUdpThread::PAGE_FAT));
    worker.setData(QUdpThread::ADDR_ROM2_NUM, fatPage, false);
    worker.setData(QUdpThread::ADDR_ROM2_WRITE, QByteArray(1, char(QUdpThread::ROM_CMD)), false);
    worker.setData(&emptyDiagram, nullptr);
    const JobOutcome done = runWorkerJob(worker, target);
    if (!done.bOk)
        return fail(context, done.error);
    *context.out << "ROM area initialised" << Qt::endl;
    return ExitOk;
}

int sync(const Context& context, const QStringList& args)
{
    QMap<QString, QString> options;
    QStringList positional;
    QString error;
    if (!takeArguments(args, {QStringLiteral("--out")}, {}, options, positional, error))
        return fail(context, error, ExitUsage);
    if (!positional.isEmpty())
        return fail(context, QStringLiteral("sync takes no slot: it reads the module's current one"),
                    ExitUsage);
    InfoOstrum target;
    if (!resolve(context, nullptr, target))
        return ExitInput;
    QUdpThread worker;
    worker.setStatusReq(QUdpThread::Sync);
    const JobOutcome synced = runWorkerJob(worker, target);
    if (!synced.bOk)
        return fail(context, synced.error,
                    synced.error == QLatin1String(TEXT_MODIFIED) ? int(ExitFindings) : int(ExitInput));
    return deliverRestored(context, synced.name, synced.xml, options.value(QStringLiteral("--out")));
}

int romSaveCli(CliContext& context, const QStringList& args)
{
    return romSave(Context::fromCli(context), args);
}

int romRestoreCli(CliContext& context, const QStringList& args)
{
    return romRestore(Context::fromCli(context), args);
}

int romBootCli(CliContext& context, const QStringList& args)
{
    return romBoot(Context::fromCli(context), args);
}

int romInitCli(CliContext& context, const QStringList& args)
{
    return romInit(Context::fromCli(context), args);
}

int syncCli(CliContext& context, const QStringList& args)
{
    return sync(Context::fromCli(context), args);
}

} // namespace RomCommands
