#pragma once

#include "metrics/metricsText.h"

#include <QHostAddress>
#include <QObject>
#include <QVector>

#include <mutex>

class CounterMonitorSession;
struct MHD_Daemon;

// Serves the counters of one or many monitor sessions at /metrics for Prometheus, from an HTTP
// server thread of its own (libmicrohttpd). It follows each session's reports in the sessions'
// thread and keeps, per module and counter, what was delivered while it has run: the totals only
// grow, across reconnections and reconfigurations, as Prometheus expects of a counter. A scrape
// copies that under a lock and never waits for the sessions.
class MetricsExporter : public QObject
{
    Q_OBJECT
public:
    explicit MetricsExporter(QObject* parent = nullptr);
    ~MetricsExporter() override;

    // "HOST:PORT", "[IPv6]:PORT", ":PORT" or "PORT" (then loopback); false with the reason for
    // anything else. Port 0 picks a free port.
    static bool parseAddress(const QString& text, QString& host, quint16& port, QString* error);

    // The session's counters under the label module="name"; the session must outlive the
    // exporter or be removed first. Without a session the module is served as down, with no
    // counters (a module that could not be followed at all).
    void addModule(const QString& name, CounterMonitorSession* session);
    void removeModule(CounterMonitorSession* session);

    // Starts serving; false with the reason when the address cannot be bound. host is an IP
    // address or a name to resolve.
    bool listen(const QString& host, quint16 port, QString* error);
    bool isListening() const { return m_daemon != nullptr; }
    // The port served (the one picked for 0).
    quint16 port() const { return m_port; }
    QString url() const;

    // What a scrape gets now.
    QByteArray exposition() const;

private:
    struct Followed
    {
        CounterMonitorSession* session = nullptr;
        ModuleMetrics metrics;
    };

    void takeSetup(CounterMonitorSession* session);
    Followed* find(CounterMonitorSession* session);

    mutable std::mutex m_mutex; // guards m_modules against the server thread
    QVector<Followed> m_modules;
    MHD_Daemon* m_daemon = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
};
