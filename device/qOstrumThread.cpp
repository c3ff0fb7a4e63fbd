#include "device/qOstrumThread.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTcpSocket>
#include <QTime>
#include <QtEndian>

#include <cstring>
#include <memory>

namespace {

constexpr quint64 RAW_MASK = (1ULL << 56) - 1;
constexpr int TIME_TEXT = 9; // "hh:mm:ss,"

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

// Collects whole CSV lines of one counter in a large buffer and hands them to the file in big
// writes, so that logging costs a copy per record instead of a stream operation per record. Only
// whole lines are ever written, so the file never ends in the middle of a line.
class CounterLogWriter
{
public:
    static constexpr int CAPACITY = 1 << 18;
    static constexpr int MAX_LINE = TIME_TEXT + CounterValueFormat::MAX_TEXT + 1;
    static constexpr int FLUSH_MS = 100;

    explicit CounterLogWriter(QFile* file)
        : m_pFile(file)
        , m_buffer(new char[CAPACITY])
    {
        m_sinceFlush.start();
    }
    ~CounterLogWriter() { flush(); }

    void appendLine(const char* time, const CounterValueFormat& format, quint64 raw)
    {
        if (CAPACITY - m_used < MAX_LINE)
            flush();
        char* p = m_buffer.get() + m_used;
        std::memcpy(p, time, TIME_TEXT);
        p += TIME_TEXT;
        p += format.write(raw, p);
        *p++ = '\n';
        m_used = int(p - m_buffer.get());
    }

    // Writes what is buffered when a flush is due by age, so a slow stream still shows up in
    // the file promptly while a fast one is written in large pieces.
    void flushIfDue()
    {
        if (m_used > 0 && m_sinceFlush.elapsed() >= FLUSH_MS)
            flush();
    }

    void flush()
    {
        if (m_used > 0)
            m_pFile->write(m_buffer.get(), m_used);
        m_used = 0;
        m_sinceFlush.restart();
    }

private:
    QFile* m_pFile;
    std::unique_ptr<char[]> m_buffer;
    int m_used = 0;
    QElapsedTimer m_sinceFlush;
};

QOstrumThread::QOstrumThread(QString* paths, QString* names, QString* units, QString address, quint16 tcpPort,
                             quint16 udpPort, QObject* parent, bool ignoreFileErrors)
    : QThread(parent)
    , m_parent(parent)
    , m_strAddr(address)
    , m_port(tcpPort)
    , m_portUdp(udpPort)
{
    const QString suffix = chooseSuffix(paths, names);
    for (int c = 0; c < COUNTERS; ++c) {
        m_unit[c] = units[c];
        m_format[c] = CounterValueFormat(units[c]);
        if (paths[c].isEmpty())
            continue;
        m_fname[c] = paths[c] + QLatin1Char('/') + names[c] + QLatin1Char('_') + suffix + ".csv";
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
                taken = QFile::exists(paths[c] + QLatin1Char('/') + names[c] + QLatin1Char('_') + suffix +
                                      ".csv");
        }
        if (!taken)
            return suffix;
    }
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
    openLogs();
    m_pTcp = new QTcpSocket;
    m_pTcp->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_pTcp->setReadBufferSize(SOCKET_BUFFER);
    m_pTcp->connectToHost(m_strAddr, m_port, QIODevice::ReadOnly);
    connectToParent();
    m_buffer = new char[size_t(m_bufferSize)];
    m_spoolSize = 0;

    if (waitForConnection())
        emit connectedOstrum();
    else
        stopped = true;

    int silentRounds = 0;
    while (!stopped) {
        if (m_pTcp->waitForReadyRead(m_roundMs)) {
            readOstrum(0);
            silentRounds = 0;
            for (CounterLogWriter* log : m_out) {
                if (log)
                    log->flushIfDue();
            }
            continue;
        }
        flushLogs();
        if (++silentRounds < SILENT_ROUNDS)
            continue;
        silentRounds = 0;
        if (!readDirectly())
            break;
    }

    // A close of our own is not the server's doing: the monitor must not hear of it as such.
    if (m_parent)
        m_pTcp->disconnect(m_parent);
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

    bool dropping = false;
    qint64 handled = 0;
    while (handled < total && !stopped) {
        const qint64 n = m_pTcp->read(m_buffer + m_spoolSize, chunk - m_spoolSize);
        if (n < 0) {
            emit error(m_pTcp->errorString());
            stopped = true;
            return;
        }
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
        }
        m_spoolSize = have - whole;
        if (m_spoolSize > 0)
            std::memmove(m_buffer, m_buffer + whole, size_t(m_spoolSize));
        handled += whole;
        if (n == 0)
            break;
    }
    if (dropping)
        return;
    for (int c = 0; c < COUNTERS; ++c) {
        if (count[c] > 0)
            emit recived(c, m_format[c].text(last[c]), count[c], sum[c]);
    }
}

void QOstrumThread::openLogs()
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (m_fname[c].isEmpty())
            continue;
        auto* file = new QFile(m_fname[c]);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            delete file;
            continue;
        }
        m_pFile[c] = file;
        m_out[c] = new CounterLogWriter(file);
    }
}

void QOstrumThread::flushLogs()
{
    for (CounterLogWriter* log : m_out) {
        if (log)
            log->flush();
    }
}

void QOstrumThread::closeLogs()
{
    for (int c = 0; c < COUNTERS; ++c) {
        delete m_out[c]; // writes what is still buffered
        m_out[c] = nullptr;
        if (m_pFile[c])
            m_pFile[c]->close();
        delete m_pFile[c];
        m_pFile[c] = nullptr;
    }
}
