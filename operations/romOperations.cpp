#include "operations/romOperations.h"

#include "io/document.h"
#include "operations/downloadOperation.h"
#include "operations/operationTexts.h"

namespace {
QByteArray oneByte(int value)
{
    return QByteArray(1, char(value));
}
} // namespace

DocumentOperation::~DocumentOperation() = default;

void DocumentOperation::finishDocument(const QByteArray& xml, const QString& name)
{
    using namespace OperationText;
    m_outcome.document = xml;
    m_outcome.documentName = name;
    if (xml.isEmpty())
        return finish(Verdict::NoData, NO_DATA.arg(name));
    m_stored = std::make_unique<Document>();
    if (!m_stored->parseFile(xml)) {
        const QString reason = m_stored->errorText().isEmpty() ? NOT_A_DOCUMENT : m_stored->errorText();
        return finish(Verdict::DamagedSlot, DAMAGED_DOCUMENT.arg(name, reason));
    }
    // A document without an image describes no registers; it is handed over to be put right.
    const QString expressionError = imageError(*m_stored->diagram());
    if (!expressionError.isEmpty())
        return documentDiffers(name, expressionError);
    auto worker = newWorker();
    worker->setData(m_stored->diagram(), &m_comparison);
    runJob(std::move(worker), [this, name](const JobReport& report) {
        if (!report.bCompared || isCancelled())
            return finishFailure(report);
        if (report.bOk)
            return finish(Verdict::Done);
        m_outcome.report = report.html;
        m_outcome.firstMismatch = report.mismatch;
        documentDiffers(name, FIRST_DIFFERENCE.arg(firstDifference(report)));
    });
}

QString DocumentOperation::firstDifference(const JobReport& report) const
{
    if (!report.mismatch)
        return report.html.trimmed();
    const QVector<ImageDifference> named = mismatchDifferences(*m_stored->diagram(), *report.mismatch);
    return named.isEmpty() ? report.mismatch->text().trimmed().replace(QLatin1Char('\n'), QLatin1Char(' '))
                           : named.first().text();
}

RomOperation::RomOperation(const InfoOstrum& target, RomCommand command, OperationPrompts& prompts,
                           Document* document, QObject* parent)
    : DocumentOperation(target, prompts, parent)
    , m_command(command)
    , m_document(document)
{}

void RomOperation::begin()
{
    auto status = newWorker();
    status->setStatusReq(true);
    if (m_command == RomCommand::Save)
        status->setData(m_document->diagram(), nullptr);
    readStatus(std::move(status), true, [this](const JobReport& report) {
        if (m_command == RomCommand::Save && report.result != 0 && !confirmNotDownloaded())
            return finish(Verdict::NotDownloaded);
        RomChoice choice;
        if (!m_prompts->chooseRomSlot(m_command, m_outcome.status, choice))
            return finish(Verdict::Cancelled);
        run(choice);
    });
}

bool RomOperation::confirmNotDownloaded()
{
    return m_prompts->confirm(Question::SaveNotDownloaded) && m_prompts->confirm(Question::SaveWithoutGui);
}

QString RomOperation::confirmation() const
{
    using namespace OperationText;
    if (m_command == RomCommand::BootNum)
        return BOOT_SLOT_SET.arg(m_bootSlot);
    if (m_command != RomCommand::Save)
        return QString();
    // Whether the command set it or it was so before: the module boots from the slot saved.
    const int boot = m_bootSlot >= 0 ? m_bootSlot : m_outcome.status.bootSlot();
    const QString saved = ROM_SAVED.arg(m_outcome.slot);
    return boot == m_outcome.slot ? saved + QLatin1Char('\n') + BOOT_SLOT_SET.arg(boot) : saved;
}

void RomOperation::run(const RomChoice& choice)
{
    const int slot = choice.slot;
    m_outcome.slot = slot;
    m_bootSlot = choice.bootSlot;
    auto worker = newWorker();
    if (!choice.comment.isEmpty() && m_command != RomCommand::BootNum)
        worker->setData(QUdpThread::ADDR_USER_BEGIN + quint32(slot * QUdpThread::COMMENT_SIZE),
                        choice.comment, false);
    if (choice.bootSlot >= 0)
        worker->setData(QUdpThread::ADDR_ROM_DEFAULT, oneByte(choice.bootSlot), true);
    if (m_command == RomCommand::Restore) {
        m_outcome.documentName = QUdpThread::romDocumentName(slot, m_outcome.status.commentRecord(slot));
        m_xml.clear();
        worker->setXmlReq(slot, &m_xml);
        worker->setRomAccess(QUdpThread::ADDR_ROM_READ + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    } else if (m_command == RomCommand::Save) {
        *worker->setXmlReq(slot) = m_document->toXml();
        worker->setRomAccess(QUdpThread::ADDR_ROM_WRITE + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    }
    runJob(
        std::move(worker), [this](const JobReport& report) { delivered(report); },
        OperationText::PROGRESS_ROM, OperationText::PROGRESS_ROM_MAX);
}

void RomOperation::delivered(const JobReport& report)
{
    if (!report.bOk)
        return finishFailure(report);
    // A save hands the document back only when it found no room for it.
    if (m_command == RomCommand::Save && report.bXml)
        return finish(Verdict::MemoryFull, OperationText::MEMORY_FULL);
    if (report.bStopped || (m_command == RomCommand::Restore && !report.bXml))
        return finish(Verdict::Cancelled);
    if (m_command != RomCommand::Restore)
        return finish(Verdict::Done);
    finishDocument(report.xml, m_outcome.documentName);
}

// What was stored is handed over as it is, with a word that the registers are others.
void RomOperation::documentDiffers(const QString& name, const QString& why)
{
    m_outcome.bDocumentDiffers = true;
    addNotice(OperationText::FOREIGN_DOCUMENT.arg(name, why));
    finish(Verdict::Done);
}

RomInitOperation::RomInitOperation(const InfoOstrum& target, OperationPrompts& prompts, QObject* parent)
    : DeviceOperation(target, prompts, parent)
{}

QByteArray RomInitOperation::freshFatImage()
{
    // Entries of 16 bits: 0xFEFE reserves, 0xFFFF frees a page.
    QByteArray fat(QUdpThread::PAGE_SIZE, char(QUdpThread::FAT_FREE));
    fat.replace(0, 2 * QUdpThread::ROM_SLOTS,
                QByteArray(2 * QUdpThread::ROM_SLOTS, char(QUdpThread::FAT_RESERVE)));
    fat.replace(2 * QUdpThread::PAGE_FAT, 2, QByteArray(2, char(QUdpThread::FAT_RESERVE)));
    return fat;
}

QString RomInitOperation::confirmation() const
{
    return OperationText::ROM_INITIALISED;
}

void RomInitOperation::begin()
{
    auto status = newWorker();
    status->setStatusReq(true);
    readStatus(std::move(status), true,
               [this](const JobReport&) { confirmThen(Question::InitializeRom, [this] { initialise(); }); });
}

void RomInitOperation::initialise()
{
    auto worker = newWorker();
    worker->setData(QUdpThread::ADDR_USER_BEGIN, QByteArray(QUdpThread::USER_AREA_SIZE, '\0'), false);
    if (m_outcome.status.bootSlot() != 0)
        worker->setData(QUdpThread::ADDR_ROM_DEFAULT, oneByte(0), true);
    worker->setRomAccess(QUdpThread::ADDR_USER_ROM_WRITE, 0);
    worker->setData(QUdpThread::ADDR_USER2_BEGIN, freshFatImage(), false);
    QByteArray fatPage;
    QUdpThread::addValue(fatPage, quint32(QUdpThread::PAGE_FAT));
    worker->setData(QUdpThread::ADDR_ROM2_NUM, fatPage, false);
    worker->setData(QUdpThread::ADDR_ROM2_WRITE, oneByte(QUdpThread::ROM_CMD), false);
    worker->setData(&m_emptyDiagram, nullptr);
    runJob(
        std::move(worker), [this](const JobReport& report) { finishJob(report); },
        OperationText::PROGRESS_INITIALIZE, OperationText::PROGRESS_INITIALIZE_MAX);
}

void SyncOperation::begin()
{
    auto worker = newWorker();
    worker->setStatusReq(QUdpThread::Sync);
    runJob(std::move(worker), [this](const JobReport& report) {
        m_outcome.status = ModuleStatus(report.data);
        switchOffRomWriting(report, [this](const JobReport& report) {
            if (!report.bOk && report.bRegistersModified)
                return finish(Verdict::RegistersModified, report.error);
            if (!report.bOk || isCancelled() || !report.bXml)
                return finishFailure(report);
            finishDocument(report.xml, report.name);
        });
    });
}

// A sync stands for what the module runs: a document that does not describe it is not that.
void SyncOperation::documentDiffers(const QString& name, const QString& why)
{
    m_outcome.bDocumentDiffers = true;
    finish(Verdict::RegistersDiffer, OperationText::MODULE_RUNS_OTHER_REGISTERS.arg(name, why));
}
