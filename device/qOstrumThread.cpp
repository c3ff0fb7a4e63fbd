#include "device/qOstrumThread.h"

#include "device/counterLogWriter.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTcpSocket>
#include <QTime>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace {

constexpr quint64 RAW_MASK = (1ULL << 56) - 1;
constexpr int TIME_TEXT = CounterLogWriter::TIME_TEXT;

// The current time as "hh:mm:ss," without going through a QString.
void currentTimeText(char* out)
{
    const QTime now = QTime::currentTime();
    const int parts[3] = {now.hour(), now.minute(), now.second()};
    for (int i = 0; i < 3; ++i) {
        out[i * 3] = char('0' + parts[i] / 10);
        out[i * 3 + 1] = char('0' + parts[i] % 10);
        out[i * 3 + 2] = i < 2 ? ':' : ',';
    }
}

} // namespace

QOstrumThread::QOstrumThread(QString* paths, QString* names, QString* units, QString address, quint16 tcpPort,
                             quint16 udpPort, QObject* parent, bool ignoreFileErrors)
    : QThread(parent)
    , m_parent(parent)
    , m_strAddr(address)
    , m_port(tcpPort)
    , m_portUdp(udpPort)
{
    qRegisterMetaType<CounterReport>();
    const QString suffix = chooseSuffix(paths, names);
    for (int c = 0; c < COUNTERS; ++c) {
        m_unit[c] = units[c];
        m_format[c] = CounterValueFormat(units[c]);
        if (paths[c].isEmpty())
            continue;
        m_fname[c] =
            paths[c] + QLatin1Char('/') + fileNamePart(names[c]) + QLatin1Char('_') + suffix + ".csv";
        if (fileNamePart(names[c]) != names[c])
            m_notices << QString("%1: the name cannot be part of a file name as it stands; its log is %2")
                             .arg(names[c], m_fname[c]);
        createLog(c, paths[c], names[c], ignoreFileErrors);
    }
}

QOstrumThread::~QOstrumThread()
{
    stop();
    wait();
}

// The date followed by the first number k for which no counter's log file exists yet, so that
// every connection gets a fresh set of files with one common suffix.
QString QOstrumThread::chooseSuffix(const QString* paths, const QString* names)
{
    const QString date = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    for (int k = 0;; ++k) {
        const QString suffix = date + QString::number(k);
        bool taken = false;
        for (int c = 0; c < COUNTERS && !taken; ++c) {
            if (!paths[c].isEmpty())
                taken = QFile::exists(paths[c] + QLatin1Char('/') + fileNamePart(names[c]) +
                                      QLatin1Char('_') + suffix + ".csv");
        }
        if (!taken)
            return suffix;
    }
}

QString QOstrumThread::fileNamePart(const QString& name)
{
    QString part = name;
    for (QChar& ch : part) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch.unicode() < 0x20)
            ch = QLatin1Char('_');
    }
    return part.replace(QLatin1String(".."), QLatin1String("__"));
}

void QOstrumThread::setCountLimit(int counter, quint64 n)
{
    m_limitCounter = counter;
    m_limit = n;
}

void QOstrumThread::createLog(int counter, const QString& path, const QString& name, bool ignoreFileErrors)
{
    QFile file(m_fname[counter]);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) {
        QString header = "Time[HH:MM:SS]," + name;
        if (!m_unit[counter].isEmpty())
            header += "[" + m_unit[counter] + "]";
        header += "\n";
        file.write(header.toUtf8());
        file.close();
        return;
    }
    const QString reason = QFileInfo(path).isDir() ? QString("FileError%1").arg(int(file.error())) +
                                                         QString(" (%1)").arg(file.errorString())
                                                   : QStringLiteral("No such directory.");
    m_fname[counter].clear();
    if (!ignoreFileErrors)
        throw QString(path + ":\n" + reason);
}

void QOstrumThread::stop()
{
    stopped = true;
}

// String-based connections, made only for the slots the parent really has, so that the monitor
// window gets its reports while a headless owner can connect what it needs itself.
void QOstrumThread::connectToParent()
{
    if (!m_parent)
        return;
    const QMetaObject* meta = m_parent->metaObject();
    const auto has = [meta](const char* slot) {
        return meta->indexOfSlot(QMetaObject::normalizedSignature(slot).constData()) >= 0;
    };
    if (has("updateData(int,QString,quint64,double)"))
        connect(this, SIGNAL(recived(int, QString, quint64, double)), m_parent,
                SLOT(updateData(int, QString, quint64, double)));
    if (has("error(QString)"))
        connect(this, SIGNAL(error(QString)), m_parent, SLOT(error(QString)));
    if (has("connected()"))
        connect(this, SIGNAL(connectedOstrum()), m_parent, SLOT(connected()));
    if (has("connectionClosedByServer()"))
        connect(m_pTcp, SIGNAL(disconnected()), m_parent, SLOT(connectionClosedByServer()));
}

void QOstrumThread::run()
{
    m_pTcp = new QTcpSocket;
    m_pTcp->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_pTcp->setReadBufferSize(SOCKET_BUFFER);
    m_pTcp->connectToHost(m_strAddr, m_port, QIODevice::ReadOnly);
    connectToParent();
    connect(m_pTcp, &QTcpSocket::disconnected, this, &QOstrumThread::closedByServer, Qt::DirectConnection);
    m_buffer = new char[size_t(m_bufferSize)];
    m_spoolSize = 0;
    m_bytesRead = 0;
    m_counted = 0;
    m_bLimitReached = false;
    m_sinceReport.start();

    if (waitForConnection()) {
        openLogs();
        emit connectedOstrum();
    } else {
        stopped = true;
        removeLogs();
    }

    int silentRounds = 0;
    while (!stopped) {
        // Reports that are waiting go out on time even when the stream falls silent.
        const bool bPending =
            m_reportMs > 0 && std::any_of(std::begin(m_pendingCount), std::end(m_pendingCount),
                                          [](quint64 n) { return n > 0; });
        const int waitMs =
            bPending ? int(qBound<qint64>(1, m_reportMs - m_sinceReport.elapsed(), m_roundMs)) : m_roundMs;
        if (m_pTcp->waitForReadyRead(waitMs)) {
            readOstrum(0);
            silentRounds = 0;
            flushLogs(true);
            continue;
        }
        if (bPending && m_pTcp->state() == QAbstractSocket::ConnectedState) {
            if (m_sinceReport.elapsed() >= m_reportMs)
                emitReports();
            continue;
        }
        emitReports();
        flushLogs(false);
        if (++silentRounds < SILENT_ROUNDS)
            continue;
        silentRounds = 0;
        if (!readDirectly())
            break;
    }
    emitReports();

    // A close of our own is not the server's doing: the monitor must not hear of it as such.
    m_pTcp->disconnect();
    m_pTcp->close();
    closeLogs();
    stopped = false;
    delete[] m_buffer;
    m_buffer = nullptr;
    delete m_pTcp;
    m_pTcp = nullptr;
}

// Waits in rounds (of one second unless set otherwise). A round that times out starts a fresh attempt (the
// socket gives up its attempt on a time-out); a refused or unresolvable connection ends at once.
bool QOstrumThread::waitForConnection()
{
    for (long round = 0; !stopped; ++round) {
        if (round >= MAX_CONNECT_ROUNDS) {
            emit error(QStringLiteral("Connection timed out"));
            return false;
        }
        if (m_pTcp->waitForConnected(m_roundMs))
            return !stopped;
        if (m_pTcp->error() != QAbstractSocket::SocketTimeoutError) {
            emit error(m_pTcp->errorString());
            return false;
        }
        if (m_pTcp->state() == QAbstractSocket::UnconnectedState)
            m_pTcp->connectToHost(m_strAddr, m_port, QIODevice::ReadOnly);
    }
    return false;
}

// After a long silence: read what may be there without waiting, which also tells a quiet
// connection from a dead one. Returns false when the loop has to end.
bool QOstrumThread::readDirectly()
{
    const qint64 n =
        m_pTcp->isReadable() ? m_pTcp->read(m_buffer + m_spoolSize, DATA_SIZE - m_spoolSize) : -1;
    if (n < 0) {
        const QString text = m_pTcp->errorString();
        if (text.isEmpty())
            return true;
        emit error(text);
        return false;
    }
    if (n == 0) {
        if (m_pTcp->isValid() && m_pTcp->error() == QAbstractSocket::SocketTimeoutError)
            return true;
        emit error(m_pTcp->errorString());
        return false;
    }
    m_spoolSize += int(n);
    m_bytesRead += quint64(n);
    readOstrum(0);
    return true;
}

void QOstrumThread::readOstrum(int)
{
    const qint64 available = m_pTcp->bytesAvailable() + m_spoolSize;
    if (available < DATA_SIZE)
        return;
    const qint64 total = available - available % DATA_SIZE;
    const int chunk = int(qMin<qint64>(m_bufferSize, total));

    quint64 count[COUNTERS] = {};
    double sum[COUNTERS] = {};
    quint64 last[COUNTERS] = {};
    char time[TIME_TEXT];
    currentTimeText(time);
    const qint64 msecs = m_records ? QDateTime::currentMSecsSinceEpoch() : 0;
    if (m_records)
        m_staged.words.reserve(std::size_t(total / DATA_SIZE));

    bool dropping = false;
    bool limitHit = false;
    qint64 handled = 0;
    while (handled < total && !stopped && !limitHit) {
        const qint64 n = m_pTcp->read(m_buffer + m_spoolSize, chunk - m_spoolSize);
        if (n < 0) {
            emit error(m_pTcp->errorString());
            stopped = true;
            endBatch(false, count, sum, last);
            return;
        }
        m_bytesRead += quint64(n);
        const int have = m_spoolSize + int(n);
        const int whole = have - have % DATA_SIZE;
        const uchar* record = reinterpret_cast<const uchar*>(m_buffer);
        const uchar* end = record + whole;
        for (; record < end && !dropping; record += DATA_SIZE) {
            const quint64 word = qFromBigEndian<quint64>(record);
            const unsigned tag = unsigned(word >> 56);
            if (tag - 0x10u > 3u) {
                // The rest of the batch is dropped. Bytes of an incomplete record at its end stay
                // in the spool, so the records after the batch keep their alignment.
                qDebug().noquote()
                    << QString("Ostrum error: invalid data=0x%1").arg(word, 16, 16, QLatin1Char('0'));
                dropping = true;
                break;
            }
            const int c = int(tag & 3u);
            const quint64 raw = word & RAW_MASK;
            ++count[c];
            last[c] = raw;
            sum[c] += m_format[c].value(raw);
            if (m_out[c])
                m_out[c]->appendLine(time, m_format[c], raw);
            if (m_records)
                m_staged.words.push_back(CounterRecordBatch::word(c, raw));
            if (c == m_limitCounter && ++m_counted >= m_limit) {
                limitHit = true;
                break;
            }
        }
        m_spoolSize = have - whole;
        if (m_spoolSize > 0)
            std::memmove(m_buffer, m_buffer + whole, size_t(m_spoolSize));
        handled += whole;
        if (n == 0)
            break;
    }
    m_staged.stampAll(msecs); // the records of a read share its time
    endBatch(!dropping, count, sum, last);
    if (limitHit) {
        m_bLimitReached = true;
        stopped = true;
    }
}

// A kept batch goes into its counters' logs and the pending reports; a dropped one leaves no
// trace in either.
void QOstrumThread::endBatch(bool bKept, const quint64* count, const double* sum, const quint64* last)
{
    if (m_records && !m_staged.empty()) {
        if (bKept)
            m_records->append(std::move(m_staged));
        m_staged.clear(); // after a kept batch: the queue's spent columns, to fill again
    }
    for (int c = 0; c < COUNTERS; ++c) {
        if (m_out[c]) {
            if (bKept)
                checkLog(c, m_out[c]->commit());
            else
                m_out[c]->rollback();
        }
        if (!bKept || count[c] == 0)
            continue;
        m_pendingCount[c] += count[c];
        m_pendingSum[c] += sum[c];
        m_pendingLast[c] = last[c];
    }
    if (!bKept && m_limitCounter >= 0)
        m_counted -= qMin(m_counted, count[m_limitCounter]);
    if (m_sinceReport.elapsed() >= m_reportMs)
        emitReports();
}

void QOstrumThread::emitReports()
{
    m_sinceReport.restart();
    for (int c = 0; c < COUNTERS; ++c) {
        if (m_pendingCount[c] == 0)
            continue;
        CounterReport report;
        report.counter = c;
        report.count = m_pendingCount[c];
        report.sum = m_pendingSum[c];
        report.lastRaw = m_pendingLast[c];
        report.lastText = m_format[c].text(report.lastRaw);
        emit recived(c, report.lastText, report.count, report.sum);
        emit reported(report);
        m_pendingCount[c] = 0;
        m_pendingSum[c] = 0;
    }
}

void QOstrumThread::openLogs()
{
    for (int c = 0; c < COUNTERS; ++c) {
        m_logged[c] = 0;
        if (m_fname[c].isEmpty())
            continue;
        m_out[c] = new CounterLogWriter(m_fname[c]);
        checkLog(c, m_out[c]->isOpen());
    }
}

void QOstrumThread::flushLogs(bool bDueOnly)
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (m_out[c])
            checkLog(c, bDueOnly ? m_out[c]->flushIfDue() : m_out[c]->flush());
    }
}

// Publishes what the log holds; a log that failed is reported once and taken out.
void QOstrumThread::checkLog(int counter, bool ok)
{
    CounterLogWriter* log = m_out[counter];
    m_logged[counter] = log->linesWritten();
    if (ok)
        return;
    emit logStopped(counter, QString("%1: %2; logging stopped after %3 records")
                                 .arg(m_fname[counter], log->errorString())
                                 .arg(log->linesWritten()));
    delete log;
    m_out[counter] = nullptr;
}

// No connection was made: the files made for it hold nothing but their headers.
void QOstrumThread::removeLogs()
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (!m_fname[c].isEmpty())
            QFile::remove(m_fname[c]);
        m_fname[c].clear();
    }
}

void QOstrumThread::closeLogs()
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (!m_out[c])
            continue;
        m_out[c]->rollback();
        checkLog(c, m_out[c]->flush());
        delete m_out[c];
        m_out[c] = nullptr;
    }
}
