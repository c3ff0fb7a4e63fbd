#include "device/qUdpThread.h"

#include "device/moduleStatus.h"
#include "device/netSetup.h"
#include "device/workerTexts.h"
#include "model/blockDiagram.h"

QUdpThread::QUdpThread(QObject* parent)
    : QTamp(parent)
{}

QUdpThread::~QUdpThread()
{
    // The job runs this class's code: it must be over before any member goes away.
    m_bCanceled = true;
    stopAndWait();
}

// ---------------------------------------------------------------------------------------------
// Requests (stored by the caller before start())

void QUdpThread::setData(BlockDiagram* diagram, QTextDocument* doc)
{
    m_pDiagram = diagram;
    m_pDoc = doc;
}

void QUdpThread::setData(NetSetup* netSetup)
{
    m_pNetSetup = netSetup;
}

void QUdpThread::setData(quint32 address, const QByteArray& bytes, bool viaEeprom)
{
    m_data.append(qMakePair(address, bytes));
    if (viaEeprom)
        m_bEnableROM = true;
}

void QUdpThread::setReadReq(quint32 address, int length)
{
    m_addr = address;
    m_length = length;
}

void QUdpThread::setStatusReq(StatusIndex index)
{
    m_reqStatus = index;
}

void QUdpThread::setStatusReq(bool withRom)
{
    m_bAdd = withRom;
    m_reqStatus = withRom ? RomStatus : Version;
}

void QUdpThread::setRomAccess(quint32 romCommandAddress, quint32 size)
{
    m_addrROM = romCommandAddress;
    m_size = size;
}

void QUdpThread::setXmlReq(int slot, QByteArray* target)
{
    m_nRom = slot;
    m_pXml = target;
}

QByteArray* QUdpThread::setXmlReq(int slot)
{
    m_nRom = slot;
    m_pXml = &m_datXml;
    return m_pXml;
}

void QUdpThread::cancel()
{
    if (m_addrROM == 0)
        Abort();
    else
        m_bCanceled = true;
}

void QUdpThread::addValue(QByteArray& buff, quint16 value)
{
    buff.append(char(value >> 8));
    buff.append(char(value));
}

void QUdpThread::addValue(QByteArray& buff, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        buff.append(char(value >> shift));
}

// ---------------------------------------------------------------------------------------------
// Write buffer

void QUdpThread::checkBuffer(quint32 addr, int len)
{
    const bool continues = m_buffer.isEmpty() || addr == m_addr;
    if (!continues || m_buffer.size() + len > MAX_LEN)
        writeTAMP();
    if (m_buffer.isEmpty())
        m_addrStart = addr;
    m_addr = addr + quint32(len);
}

void QUdpThread::queueBytes(quint32 addr, const char* bytes, int len)
{
    checkBuffer(addr, len);
    m_buffer.append(bytes, len);
}

int QUdpThread::writeTAMP(quint8 data, quint32 addr)
{
    const char bytes[1] = {char(data)};
    queueBytes(addr, bytes, 1);
    return 1;
}

int QUdpThread::writeTAMP(quint16 data, quint32 addr)
{
    const char bytes[2] = {char(data >> 8), char(data)};
    queueBytes(addr, bytes, 2);
    return 2;
}

int QUdpThread::writeTAMP(quint32 data, quint32 addr)
{
    const char bytes[4] = {char(data >> 24), char(data >> 16), char(data >> 8), char(data)};
    queueBytes(addr, bytes, 4);
    return 4;
}

int QUdpThread::writeTAMP()
{
    if (m_bAbort)
        throw WorkerText::CANCELLED;
    const int n = m_buffer.size();
    if (n > 0) {
        Write(m_addrStart, m_buffer.constData(), quint32(n));
        m_buffer.clear();
    }
    m_length += n;
    emit setProgress(m_length);
    return n;
}

// ---------------------------------------------------------------------------------------------
// Jobs

void QUdpThread::run()
{
    if (!startUDP())
        return;
    m_estr.clear();
    m_bRegistersModified = false;
    m_bStoppedByCancel = false;
    try {
        checkHardware();
        if (runJob()) {
            m_bFinished = true;
            m_data.clear();
            closeSocket();
            return;
        }
    } catch (QTamp::ErrSts e) {
        strError(e);
    } catch (const QString& message) {
        m_estr = message;
    } catch (...) {
        m_estr = WorkerText::COMM_ERROR;
    }
    emit error(&m_estr);
    m_data.clear();
    m_buffer.clear();
    closeSocket();
}

void QUdpThread::checkHardware()
{
    char version = 0;
    if (Read(REG_VERSION, &version) < 1)
        throw WorkerText::SEND_FAILED;
    if (version < '0' || version > '?')
        throw WorkerText::UNSUPPORTED;
}

bool QUdpThread::runJob()
{
    if (m_bRomWritingOff) {
        romWritingOffJob();
    } else if (m_reqStatus != NoReq) {
        statusJob();
    } else if (m_length != 0) {
        readJob();
    } else if (m_pNetSetup) {
        m_pNetSetup->setInfo(this);
    } else if (m_addrROM == 0 && !m_pDiagram) {
        rawWriteJob();
    } else if (m_addrROM == 0 && !m_pDoc) {
        m_buffer.clear();
        m_pDiagram->download(this);
    } else if (m_addrROM == 0) {
        return verifyJob();
    } else {
        romJob();
    }
    return true;
}

char QUdpThread::readStatusByte(quint32 addr)
{
    char byte = 0;
    if (Read(addr, &byte) < 1)
        throw WorkerText::READ_FAILED;
    return byte;
}

void QUdpThread::statusJob()
{
    m_status.resize(VERSION_SIZE);
    if (Read(REG_VERSION, m_status.data(), VERSION_SIZE) == 0)
        throw WorkerText::READ_FAILED;
    m_status.append(readStatusByte(ADDR_ROM_PROTECT));

    if (m_reqStatus == BootProtect) {
        m_status.append(readStatusByte(ADDR_EEPROM_PROTECT));
    } else if (m_reqStatus == Sync) {
        syncSteps();
    } else if (m_bAdd && !ModuleStatus(m_status).registersProtected()) {
        m_status.append(readStatusByte(ADDR_ROM_DEFAULT));
        QByteArray comments(USER_AREA_SIZE, '\0');
        if (Read(ADDR_USER_BEGIN, comments.data(), USER_AREA_SIZE) == 0)
            throw WorkerText::READ_FAILED;
        m_status.append(comments);
        if (m_pDiagram)
            emit setResult(verify());
    }
    emit readData(&m_status);
}

void QUdpThread::readJob()
{
    m_buffer.resize(m_length);
    if (Read(m_addr, m_buffer.data(), quint32(m_length)) == 0)
        throw WorkerText::READ_FAILED;
    emit readData(&m_buffer);
}

void QUdpThread::rawWriteJob()
{
    if (m_bEnableROM && !EnableWriteEEPROM(true))
        throw WorkerText::SEND_FAILED;
    for (const auto& entry : qAsConst(m_data)) {
        if (Write(entry.first, entry.second.constData(), quint32(entry.second.size())) == 0)
            throw WorkerText::SEND_FAILED;
    }
    if (m_bEnableROM && !EnableWriteEEPROM(false))
        throw WorkerText::SEND_FAILED;
}

bool QUdpThread::verifyJob()
{
    const int r = verify();
    emit setHtml(&m_strHtml);
    m_bFinished = (r == 0);
    if (r == 0)
        m_estr = WorkerText::MATCHED;
    else
        m_estr =
            WorkerText::MISMATCH + QStringLiteral("\n") + QStringLiteral("\nfirst mismatch at ") + m_strHtml;
    return false;
}

void QUdpThread::readRom(quint32 addr, int len)
{
    m_buffer.resize(len);
    ReadAll(addr, m_buffer.data(), quint32(len));
}

int QUdpThread::verify()
{
    struct Stage
    {
        quint32 addr;
        int len;
        bool (BlockDiagram::*compare)(const QByteArray&, QString&);
    };
    static const Stage stages[] = {
        {BlockDiagram::REG_DLY_FUNC, FUNC_VERIFY_SIZE, &BlockDiagram::verifyFunc},
        {BlockDiagram::REG_FRONTEND_LUT_BEGIN, LUT_SIZE, &BlockDiagram::verifyFrontendLUT},
        {BlockDiagram::REG_OUTPUT_BACKEND_LUT_BEGIN, LUT_SIZE, &BlockDiagram::verifyOutputLUT},
        {BlockDiagram::REG_FEEDBACK_BACKEND_LUT_BEGIN, LUT_SIZE, &BlockDiagram::verifyFeedbackLUT},
        {BlockDiagram::REG_MSRCNT_BACKEND_LUT_BEGIN, LUT_SIZE, &BlockDiagram::verifyMsrCntLUT},
    };
    m_strHtml.clear();
    m_firstMismatch.reset();
    QString scratch;
    m_pDiagram->initVerify(scratch);
    for (const Stage& stage : stages) {
        scratch.clear();
        readRom(stage.addr, stage.len);
        if (!(m_pDiagram->*stage.compare)(m_buffer, scratch)) {
            m_strHtml += scratch;
            m_firstMismatch = m_pDiagram->firstMismatch();
            return 1;
        }
    }
    return 0;
}
