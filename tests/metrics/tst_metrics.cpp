#include "metrics/metricsExporter.h"
#include "tests/support/cliRun.h"
#include "tests/support/documents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString CLI = QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli");
const QString SIM = QStringLiteral(VEXTOR_BINARY_DIR "/sim/vextor-sim");

// The body of a GET on loopback; empty when it fails.
QByteArray httpGet(const QString& url)
{
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    reply->deleteLater();
    return body;
}

// promtool's verdict on an exposition: empty when it passes.
QString promtoolProblems(const QByteArray& exposition)
{
    QProcess promtool;
    promtool.start(QStringLiteral("promtool"), {"check", "metrics"});
    if (!promtool.waitForStarted(10000))
        return QStringLiteral("promtool does not start (scripts/setup.sh installs it)");
    promtool.write(exposition);
    promtool.closeWriteChannel();
    promtool.waitForFinished(30000);
    const QString said =
        QString::fromUtf8(promtool.readAllStandardOutput() + promtool.readAllStandardError());
    return promtool.exitCode() == 0 && said.trimmed().isEmpty() ? QString()
                                                                : said + QString::number(promtool.exitCode());
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A process that is ended (SIGTERM, then killed) when the test leaves it.
struct Child : QProcess
{
    ~Child() override
    {
        if (state() == QProcess::NotRunning)
            return;
        terminate();
        if (!waitForFinished(5000)) {
            kill();
            waitForFinished(5000);
        }
    }
};

// Waits for what the process prints (on standard error with bStderr) to match the pattern.
QRegularExpressionMatch waitForOutput(QProcess& process, const QString& pattern, bool bStderr)
{
    const QRegularExpression re(pattern);
    QByteArray seen;
    QRegularExpressionMatch match;
    (void)QTest::qWaitFor(
        [&] {
            seen += bStderr ? process.readAllStandardError() : process.readAllStandardOutput();
            match = re.match(QString::fromUtf8(seen));
            return match.hasMatch() || process.state() == QProcess::NotRunning;
        },
        20000);
    return match;
}

// vextor-sim on free ports, streaming 2000 records a second.
struct Sim
{
    Child process;
    QString udp;
    QString tcp;

    bool start()
    {
        process.start(SIM, {"--udp", "0", "--tcp", "0", "--rate", "2000"});
        const QRegularExpressionMatch ports = waitForOutput(process, "udp=(\\d+) tcp=(\\d+)", false);
        udp = ports.captured(1);
        tcp = ports.captured(2);
        return ports.hasMatch();
    }
    QStringList address() const { return {"-h", "127.0.0.1", "-u", udp, "-t", tcp}; }
    bool kill()
    {
        process.kill();
        return process.waitForFinished(5000);
    }
};

// The endpoint vextor-cli says it serves; empty when it says none.
QString servedUrl(QProcess& cli)
{
    return waitForOutput(cli, "metrics at (http://127.0.0.1:\\d+/metrics)", true).captured(1);
}

// What Prometheus' HTTP API answers to a query: "name{labels} value" a series, sorted.
QStringList query(quint16 port, const QString& expression)
{
    const QByteArray body = httpGet(QStringLiteral("http://127.0.0.1:%1/api/v1/query?query=%2")
                                        .arg(port)
                                        .arg(QString::fromLatin1(QUrl::toPercentEncoding(expression))));
    QStringList series;
    for (const QJsonValue& result : QJsonDocument::fromJson(body)["data"]["result"].toArray()) {
        const QJsonObject labels = result["metric"].toObject();
        series << QStringLiteral("%1{counter=%2,module=%3,name=%4} %5")
                      .arg(labels["__name__"].toString(), labels["counter"].toString(),
                           labels["module"].toString(), labels["name"].toString(),
                           result["value"][1].toString());
    }
    series.sort();
    return series;
}
} // namespace

class TestMetrics : public QObject
{
    Q_OBJECT
private slots:
    void addresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("bound"); // host and port, empty when refused
        QTest::newRow("a port alone is loopback") << "9464"
                                                  << "127.0.0.1 9464";
        QTest::newRow("an empty host is loopback") << ":0"
                                                   << "127.0.0.1 0";
        QTest::newRow("every interface when asked") << "0.0.0.0:9464"
                                                    << "0.0.0.0 9464";
        QTest::newRow("IPv6 in brackets") << "[::1]:9464"
                                          << "::1 9464";
        QTest::newRow("IPv6 without brackets") << "::1:9464"
                                               << "";
        QTest::newRow("port too large") << "localhost:65536"
                                        << "";
        QTest::newRow("no port") << "localhost:"
                                 << "";
    }
    void addresses()
    {
        QFETCH(QString, text);
        QString host;
        quint16 port = 1;
        QString error;
        const bool ok = MetricsExporter::parseAddress(text, host, port, &error);
        QTEST(ok ? QString("%1 %2").arg(host).arg(port) : QString(), "bound");
        QCOMPARE(error.isEmpty(), ok);
    }

    // Names, types, labels with characters to escape, both kinds of counters, several modules:
    // the exact text, and promtool passes it.
    void exposition()
    {
        ModuleMetrics a;
        a.module = "crate \"A\"";
        a.bUp = true;
        ModuleMetrics::Counter gate{0, "GATE\\1", true, 3, 0.0015, true, 0.0005};
        ModuleMetrics::Counter events{3, "EVENTS", false, 2, 36028797018964968.0, false, 0};
        a.counters = {gate, events};
        ModuleMetrics b;
        b.module = "b";
        const QByteArray text = metricsExposition({a, b});
        QCOMPARE(
            QString::fromUtf8(text),
            QString(
                "# HELP vextor_stream_up Whether the module's counter stream is connected (1) or not (0).\n"
                "# TYPE vextor_stream_up gauge\n"
                "vextor_stream_up{module=\"crate \\\"A\\\"\"} 1\n"
                "vextor_stream_up{module=\"b\"} 0\n"
                "# HELP vextor_msrcnt_records_total Records the measure counter has delivered.\n"
                "# TYPE vextor_msrcnt_records_total counter\n"
                "vextor_msrcnt_records_total{module=\"crate "
                "\\\"A\\\"\",counter=\"0\",name=\"GATE\\\\1\"} 3\n"
                "vextor_msrcnt_records_total{module=\"crate "
                "\\\"A\\\"\",counter=\"3\",name=\"EVENTS\"} 2\n"
                "# HELP vextor_msrcnt_integrated_seconds_total Sum of the times a time-type measure "
                "counter has measured.\n"
                "# TYPE vextor_msrcnt_integrated_seconds_total counter\n"
                "vextor_msrcnt_integrated_seconds_total{module=\"crate "
                "\\\"A\\\"\",counter=\"0\",name="
                "\"GATE\\\\1\"} 0.0015\n"
                "# HELP vextor_msrcnt_integrated_events_total Sum of the events a counting measure "
                "counter has counted.\n"
                "# TYPE vextor_msrcnt_integrated_events_total counter\n"
                "vextor_msrcnt_integrated_events_total{module=\"crate "
                "\\\"A\\\"\",counter=\"3\",name="
                "\"EVENTS\"} 36028797018964970\n"
                "# HELP vextor_msrcnt_last_seconds The last time a time-type measure counter has "
                "measured.\n"
                "# TYPE vextor_msrcnt_last_seconds gauge\n"
                "vextor_msrcnt_last_seconds{module=\"crate \\\"A\\\"\",counter=\"0\",name="
                "\"GATE\\\\1\"} 0.0005\n"));
        const QString problems = promtoolProblems(text);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // vextor-cli monitor --metrics against vextor-sim: the module is labelled by its address, and
    // what is served passes promtool.
    void servedBySingleMonitor()
    {
        Sim sim;
        QVERIFY(sim.start());
        const QString scaler = examplePath("scaler.vxt3");
        QCOMPARE(runCli(sim.address() + QStringList{"download", scaler}).exitCode, 0);
        Child monitor;
        monitor.start(CLI,
                      sim.address() + QStringList{"monitor", scaler, "--start", "--metrics", "127.0.0.1:0"});
        const QString url = servedUrl(monitor);
        QVERIFY(!url.isEmpty());
        QTRY_VERIFY(httpGet(url).contains("vextor_msrcnt_records_total{module=\"127.0.0.1\",counter=\"1\","
                                          "name=\"RATE_2\"}"));
        const QString problems = promtoolProblems(httpGet(url));
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        monitor.terminate();
        QVERIFY(monitor.waitForFinished(10000));
        QCOMPARE(monitor.exitCode(), 0);
        QVERIFY(monitor.readAllStandardOutput().contains("total 1 RATE_2 "));
    }

    // vextor-cli fleet LIST monitor --metrics against two vextor-sim, scraped by a real Prometheus
    // on loopback: the series read back through its HTTP API carry each module's name, the
    // counters and their names. One module killed is named at once and goes down; the other
    // goes on, and the fleet ends with the lost one named.
    void fleetScrapedByPrometheus()
    {
        QTemporaryDir dir;
        Sim alpha, beta;
        QVERIFY(alpha.start() && beta.start());
        const QString list = dir.filePath("crate.list");
        QVERIFY(writeFile(list, QString("alpha 127.0.0.1:%1:%2 %5\nbeta 127.0.0.1:%3:%4 %5\n")
                                    .arg(alpha.udp)
                                    .arg(alpha.tcp)
                                    .arg(beta.udp)
                                    .arg(beta.tcp)
                                    .arg(examplePath("scaler.vxt3"))
                                    .toUtf8()));
        QCOMPARE(runCli({"-o", "1", "fleet", list, "download"}).exitCode, 0);

        Child monitor;
        monitor.start(CLI, {"-o", "1", "fleet", list, "monitor", "--start", "--metrics", "127.0.0.1:0"});
        const QString url = servedUrl(monitor);
        QVERIFY(!url.isEmpty());
        QTRY_VERIFY(httpGet(url).contains("vextor_msrcnt_records_total{module=\"beta\""));
        const QString problems = promtoolProblems(httpGet(url));
        QVERIFY2(problems.isEmpty(), qPrintable(problems));

        const quint16 port = freePort();
        const QString config = dir.filePath("prometheus.yml");
        QVERIFY(writeFile(config, QStringLiteral("global:\n  scrape_interval: 1s\n"
                                                 "scrape_configs:\n  - job_name: vextor\n"
                                                 "    static_configs:\n      - targets: ['%1']\n")
                                      .arg(QUrl(url).authority())
                                      .toUtf8()));
        Child prometheus;
        prometheus.start("prometheus",
                         {"--config.file=" + config, "--storage.tsdb.path=" + dir.filePath("data"),
                          QString("--web.listen-address=127.0.0.1:%1").arg(port)});
        QVERIFY2(prometheus.waitForStarted(10000),
                 "prometheus does not start (scripts/setup.sh installs it)");
        const QString records = "vextor_msrcnt_records_total > 0";
        QTRY_COMPARE_WITH_TIMEOUT(query(port, records).size(), 8, 60000);
        const QStringList series = query(port, records);
        for (const char* module : {"alpha", "beta"}) {
            for (const char* name : {"RATE_1", "RATE_2", "TRIPLE_CNT", "LIVE_TIME"})
                QVERIFY2(series.filter(QString(",module=%1,name=%2} ").arg(module, name)).size() == 1,
                         qPrintable(series.join('\n')));
        }
        QCOMPARE(query(port, "vextor_stream_up"),
                 QStringList({"vextor_stream_up{counter=,module=alpha,name=} 1",
                              "vextor_stream_up{counter=,module=beta,name=} 1"}));
        QCOMPARE(query(port, "vextor_msrcnt_integrated_seconds_total > 0").size(), 6);
        QCOMPARE(query(port, "vextor_msrcnt_integrated_events_total > 0").size(), 2);

        QVERIFY(beta.kill());
        QVERIFY(waitForOutput(monitor, "beta: \\S", true).hasMatch());
        QTRY_COMPARE_WITH_TIMEOUT(query(port, "vextor_stream_up"),
                                  QStringList({"vextor_stream_up{counter=,module=alpha,name=} 1",
                                               "vextor_stream_up{counter=,module=beta,name=} 0"}),
                                  30000);
        const QString alphaRecords = "vextor_msrcnt_records_total{module=\"alpha\",counter=\"1\"}";
        const double before = query(port, alphaRecords).value(0).section(' ', 1).toDouble();
        QTRY_VERIFY_WITH_TIMEOUT(query(port, alphaRecords).value(0).section(' ', 1).toDouble() > before,
                                 30000);

        monitor.terminate();
        QVERIFY(monitor.waitForFinished(20000));
        QCOMPARE(monitor.exitCode(), 2);
        const QString out = QString::fromUtf8(monitor.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression("\nalpha +127.0.0.1:\\d+:\\d+ +done +total 0 RATE_1 ")),
                 qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("\nbeta +127.0.0.1:\\d+:\\d+ +communication_failure ")),
                 qPrintable(out));
        QVERIFY(out.endsWith("2 modules: 1 done, 1 communication_failure (beta)\n"));
    }
};

QTEST_GUILESS_MAIN(TestMetrics)
#include "tst_metrics.moc"
