#include "metrics/metricsExporter.h"

#include "device/counterValueFormat.h"
#include "operations/counterMonitorSession.h"

#include <QHostInfo>

#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>

namespace {

constexpr double SECONDS_PER_NANOSECOND = 1e-9;
const char CONTENT_TYPE[] = "text/plain; version=0.0.4; charset=utf-8";

MHD_Result reply(MHD_Connection* connection, unsigned status, const QByteArray& body, const char* type)
{
    MHD_Response* response = MHD_create_response_from_buffer(
        size_t(body.size()), const_cast<char*>(body.constData()), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    const MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

// The server thread's handler: GET (or HEAD) /metrics, nothing else.
MHD_Result handle(void* exporter, MHD_Connection* connection, const char* url, const char* method,
                  const char*, const char*, size_t*, void**)
{
    if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 && std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0)
        return reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Only GET is served.\n", "text/plain");
    if (std::strcmp(url, "/metrics") != 0)
        return reply(connection, MHD_HTTP_NOT_FOUND, "The counters are at /metrics.\n", "text/plain");
    return reply(connection, MHD_HTTP_OK, static_cast<const MetricsExporter*>(exporter)->exposition(),
                 CONTENT_TYPE);
}

} // namespace

MetricsExporter::MetricsExporter(QObject* parent)
    : QObject(parent)
{}

MetricsExporter::~MetricsExporter()
{
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
}

bool MetricsExporter::parseAddress(const QString& text, QString& host, quint16& port, QString* error)
{
    QString portText = text;
    bool ok = true;
    host.clear();
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1String("]:"));
        ok = close > 1;
        host = text.mid(1, close - 1);
        portText = text.mid(close + 2);
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        portText = text.section(QLatin1Char(':'), 1);
    } else {
        ok = !text.contains(QLatin1Char(':')); // an IPv6 address needs its brackets
    }
    bool numeric = false;
    const uint value = portText.toUInt(&numeric);
    if (!ok || !numeric || value > 65535) {
        if (error)
            *error = QStringLiteral("needs HOST:PORT with a port of 0 to 65535: %1").arg(text);
        return false;
    }
    if (host.isEmpty())
        host = QStringLiteral("127.0.0.1");
    port = quint16(value);
    return true;
}

void MetricsExporter::addModule(const QString& name, CounterMonitorSession* session)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        Followed followed;
        followed.session = session;
        followed.metrics.module = name;
        m_modules.append(followed);
    }
    if (!session)
        return;
    takeSetup(session);
    connect(session, &CounterMonitorSession::stateChanged, this,
            [this, session](CounterMonitorSession::State state) {
                takeSetup(session);
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (Followed* followed = find(session))
                    followed->metrics.bUp = state == CounterMonitorSession::State::Connected;
            });
    connect(session, &CounterMonitorSession::reported, this, [this, session](const CounterReport& report) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        Followed* followed = find(session);
        if (!followed)
            return;
        for (ModuleMetrics::Counter& counter : followed->metrics.counters) {
            if (counter.number != report.counter)
                continue;
            counter.records += report.count;
            if (counter.bTimeType) {
                // The report's sum is in the counter's unit: back to nanoseconds, then seconds.
                const double scale = CounterValueFormat::scaleForUnit(session->setup().unit[report.counter]);
                counter.integrated += report.sum / scale * SECONDS_PER_NANOSECOND;
                counter.last = double(report.lastRaw) * SECONDS_PER_NANOSECOND;
            } else {
                counter.integrated += report.sum;
                counter.last = double(report.lastRaw);
            }
            counter.bHasLast = true;
        }
    });
}

void MetricsExporter::removeModule(CounterMonitorSession* session)
{
    disconnect(session, nullptr, this, nullptr);
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < m_modules.size(); ++i) {
        if (m_modules.at(i).session == session)
            m_modules.remove(i--);
    }
}

MetricsExporter::Followed* MetricsExporter::find(CounterMonitorSession* session)
{
    for (Followed& followed : m_modules) {
        if (followed.session == session)
            return &followed;
    }
    return nullptr;
}

// The counters of the session's diagram with their names; what a counter of the same number,
// name and kind delivered before is kept.
void MetricsExporter::takeSetup(CounterMonitorSession* session)
{
    const CounterMonitorSetup& setup = session->setup();
    const std::lock_guard<std::mutex> lock(m_mutex);
    Followed* followed = find(session);
    if (!followed)
        return;
    QVector<ModuleMetrics::Counter> counters;
    for (int c = 0; c < CounterMonitorSetup::COUNTERS; ++c) {
        if (setup.mode[c] < 0)
            continue;
        ModuleMetrics::Counter counter;
        counter.number = c;
        counter.name = setup.name[c].isEmpty() ? QStringLiteral("MsrCnt%1").arg(c) : setup.name[c];
        counter.bTimeType = (setup.mode[c] & 8) == 0;
        for (const ModuleMetrics::Counter& old : followed->metrics.counters) {
            if (old.number == c && old.name == counter.name && old.bTimeType == counter.bTimeType)
                counter = old;
        }
        counters.append(counter);
    }
    followed->metrics.counters = counters;
}

bool MetricsExporter::listen(const QString& host, quint16 port, QString* error)
{
    QHostAddress address(host);
    if (address.isNull()) {
        const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
        if (!found.isEmpty())
            address = found.first();
    }
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("cannot serve the metrics at %1:%2: %3").arg(host).arg(port).arg(why);
        return false;
    };
    if (address.isNull())
        return fail(QStringLiteral("no such address"));
    sockaddr_in v4 = {};
    sockaddr_in6 v6 = {};
    const sockaddr* socketAddress = nullptr;
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, &bytes, sizeof bytes);
        socketAddress = reinterpret_cast<const sockaddr*>(&v6);
        flags |= MHD_USE_IPv6;
    } else {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        v4.sin_addr.s_addr = htonl(address.toIPv4Address());
        socketAddress = reinterpret_cast<const sockaddr*>(&v4);
    }
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
    m_daemon = MHD_start_daemon(flags, port, nullptr, nullptr, &handle, this, MHD_OPTION_SOCK_ADDR,
                                socketAddress, MHD_OPTION_END);
    if (!m_daemon)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info ? info->port : port;
    m_address = address;
    return true;
}

QString MetricsExporter::url() const
{
    const QString host = m_address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(m_address.toString())
                             : m_address.toString();
    return QStringLiteral("http://%1:%2/metrics").arg(host).arg(m_port);
}

QByteArray MetricsExporter::exposition() const
{
    QVector<ModuleMetrics> modules;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (const Followed& followed : m_modules)
            modules.append(followed.metrics);
    }
    return metricsExposition(modules);
}
