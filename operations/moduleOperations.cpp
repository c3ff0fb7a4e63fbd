#include "operations/moduleOperations.h"

#include "operations/operationPrompts.h"
#include "operations/operationTexts.h"

void StatusOperation::begin()
{
    auto worker = newWorker();
    worker->setStatusReq(true);
    readStatus(std::move(worker), false, [this](const JobReport&) { finish(Verdict::Done); });
}

ReadOperation::ReadOperation(const InfoOstrum& target, quint32 address, int length, QObject* parent)
    : DeviceOperation(target, parent)
    , m_address(address)
    , m_length(length)
{}

void ReadOperation::begin()
{
    auto worker = newWorker();
    worker->setReadReq(m_address, m_length);
    runJob(std::move(worker), [this](const JobReport& report) {
        m_outcome.data = report.data;
        finishJob(report);
    });
}

ProtectOperation::ProtectOperation(const InfoOstrum& target, OperationPrompts& prompts, QObject* parent)
    : DeviceOperation(target, prompts, parent)
{}

void ProtectOperation::begin()
{
    auto worker = newWorker();
    worker->setStatusReq(QUdpThread::BootProtect);
    readStatus(std::move(worker), false, [this](const JobReport&) {
        const Protection now{m_outcome.status.registersProtected(), m_outcome.status.bootProtected()};
        Protection wanted = now;
        m_outcome.protection = now;
        if (!m_prompts->chooseProtection(now, wanted))
            return finish(Verdict::Cancelled);
        write(now, wanted);
    });
}

QString ProtectOperation::confirmation() const
{
    using namespace OperationText;
    return PROTECTION_SET.arg(onOff(m_outcome.protection.current), onOff(m_outcome.protection.boot));
}

void ProtectOperation::write(const Protection& now, const Protection& wanted)
{
    if (wanted.current == now.current && wanted.boot == now.boot)
        return finish(Verdict::Done); // nothing to write
    const ModuleStatus& status = m_outcome.status;
    // ROM writing switched off after the status was read went off in the boot value too.
    quint8 bootValue = status.bootProtectRegister();
    if (!m_outcome.notice.isEmpty())
        bootValue &= quint8(~ModuleStatus::PROTECT_ROM_WRITE);
    auto worker = newWorker();
    if (wanted.current != now.current)
        worker->setData(
            QUdpThread::ADDR_ROM_PROTECT,
            QByteArray(1, char(ModuleStatus::withProtection(status.protectRegister(), wanted.current))),
            false);
    if (wanted.boot != now.boot)
        worker->setData(QUdpThread::ADDR_EEPROM_PROTECT,
                        QByteArray(1, char(ModuleStatus::withProtection(bootValue, wanted.boot))), true);
    runJob(std::move(worker), [this, wanted](const JobReport& report) {
        if (report.bOk)
            m_outcome.protection = wanted;
        finishJob(report);
    });
}

UserControlOperation::UserControlOperation(const InfoOstrum& target, std::optional<quint16> word, bool bRead,
                                           QObject* parent)
    : DeviceOperation(target, parent)
    , m_word(word)
    , m_bRead(bRead)
{}

quint16 UserControlOperation::word() const
{
    const QByteArray& bytes = m_outcome.data;
    return bytes.size() < 2 ? 0 : quint16((quint8(bytes.at(0)) << 8) | quint8(bytes.at(1)));
}

void UserControlOperation::begin()
{
    if (!m_word)
        return read();
    QByteArray bytes;
    QUdpThread::addValue(bytes, *m_word);
    auto worker = newWorker();
    worker->setData(QUdpThread::REG_USER_CONTROL, bytes, false);
    runJob(std::move(worker), [this](const JobReport& report) {
        if (!report.bOk || !m_bRead)
            return finishJob(report);
        read();
    });
}

void UserControlOperation::read()
{
    auto worker = newWorker();
    worker->setReadReq(QUdpThread::REG_USER_CONTROL, 2);
    runJob(std::move(worker), [this](const JobReport& report) {
        m_outcome.data = report.data;
        finishJob(report);
    });
}

CounterGateOperation::CounterGateOperation(const InfoOstrum& target, int counter, bool bStart,
                                           QObject* parent)
    : DeviceOperation(target, parent)
    , m_counter(counter)
    , m_bStart(bStart)
{}

void CounterGateOperation::begin()
{
    auto worker = newWorker();
    worker->setData(REG_COUNTER_START + quint32(m_counter), QByteArray(1, char(m_bStart ? 0x80 : 0x00)),
                    false);
    runJob(std::move(worker), [this](const JobReport& report) { finishJob(report); });
}

void EepromReadOperation::begin()
{
    auto worker = newWorker();
    worker->setReadReq(NetSetup::EEPROM_INFO, NetSetup::EEPROM_LEN);
    runJob(std::move(worker), [this](const JobReport& report) {
        if (!report.bOk) {
            m_outcome.detail = report.error;
            return finish(failureVerdict(),
                          NetSetup::accessErrorText(m_target.strAddr, QString::number(m_target.udpPort)));
        }
        m_outcome.data = report.data;
        finish(Verdict::Done, NetSetup::formatEepromInfo(report.data));
    });
}

EepromWriteOperation::EepromWriteOperation(const InfoOstrum& target, const NetSetup& settings,
                                           QObject* parent)
    : DeviceOperation(target, parent)
    , m_settings(settings)
{
    m_settings.setTarget(target.strAddr, QString::number(target.udpPort));
}

void EepromWriteOperation::begin()
{
    auto worker = newWorker();
    worker->setData(&m_settings);
    runJob(std::move(worker), [this](const JobReport& report) {
        if (!report.bOk)
            return finishFailure(report);
        finish(Verdict::Done, NetSetup::successText());
    });
}
