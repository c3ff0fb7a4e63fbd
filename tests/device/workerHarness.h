#pragma once

#include "device/qUdpThread.h"
#include "sim/moduleMemory.h"
#include "sim/tampServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <functional>

// What a worker reported, collected in the test thread through queued connections.
struct WorkerOutcome
{
    bool bClosed = false;
    bool bOk = false;
    QStringList errors;
    QList<QByteArray> data;
    QList<int> progress;
    QList<int> results;
    QString html;
    bool bXml = false; // a ROM job delivered a document (xml, name) through setXml
    QByteArray xml;
    QString name;
    QStringList order; // signal names in arrival order
};

// Starts the worker and runs the test thread's event loop (which serves an in-process simulator)
// until the worker has closed or the time is up.
inline WorkerOutcome runWorker(QUdpThread& worker, int timeoutMs = 30000,
                               const std::function<void()>& whileRunning = {})
{
    WorkerOutcome o;
    QEventLoop loop;
    const auto on = [&](auto signal, const char* name, auto record) {
        QObject::connect(&worker, signal, &loop, [&o, name, record](auto... args) {
            o.order << QLatin1String(name);
            record(args...);
        });
    };
    on(&QTamp::error, "error", [&o](QString* text) { o.errors << *text; });
    on(&QUdpThread::readData, "readData", [&o](QByteArray* bytes) { o.data << *bytes; });
    on(&QUdpThread::setProgress, "setProgress", [&o](int value) { o.progress << value; });
    on(&QUdpThread::setResult, "setResult", [&o](int value) { o.results << value; });
    on(&QUdpThread::setHtml, "setHtml", [&o](QString* html) { o.html = *html; });
    QObject::connect(&worker, &QUdpThread::setXml, &loop, [&o](QByteArray* data, QString name) {
        o.bXml = true;
        o.xml = data ? *data : QByteArray();
        o.name = name;
    });
    QObject::connect(&worker, &QTamp::closed, &loop, [&](bool ok) {
        o.bClosed = true;
        o.bOk = ok;
        o.order << QStringLiteral("closed");
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    worker.start();
    if (whileRunning)
        whileRunning();
    loop.exec();
    worker.wait(5000);
    QCoreApplication::processEvents(); // signals queued after closed (there must be none) show up here
    return o;
}

// A simulator served from the test thread's event loop, every request recorded.
struct InProcessModule
{
    ModuleMemory memory;
    TampServer server{&memory};
    QList<QByteArray> requests;

    InProcessModule()
    {
        server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&server, &TampServer::requestReceived, &server,
                         [this](const QByteArray& r) { requests << r; });
    }

    void target(QTamp& worker, int seconds = 1) const
    {
        worker.SetTimeout(seconds);
        worker.SetIpAddress(QHostAddress(QHostAddress::LocalHost), server.port(), 0);
    }

    // (address, length) of every write command received, in order.
    QList<QPair<quint32, int>> writes() const
    {
        QList<QPair<quint32, int>> list;
        for (const QByteArray& r : requests) {
            if (r.size() >= 8 && quint8(r.at(1)) == TampServer::TAMP_WR)
                list << qMakePair(addressOf(r), int(quint8(r.at(3))));
        }
        return list;
    }
    static quint32 addressOf(const QByteArray& r)
    {
        quint32 a = 0;
        for (int i = 4; i < 8; ++i)
            a = (a << 8) | quint8(r.at(i));
        return a;
    }
};

// vextor-sim started on ephemeral ports, read from its first line "vextor-sim udp=N tcp=M".
struct SimProcess
{
    static QString program() { return QStringLiteral(VEXTOR_BINARY_DIR "/sim/vextor-sim"); }
    QProcess process;
    quint16 udpPort = 0;
    quint16 tcpPort = 0;

    bool start(const QStringList& args)
    {
        process.start(program(), args + QStringList{"--udp", "0", "--tcp", "0"});
        if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000))
            return false;
        const QRegularExpressionMatch m = QRegularExpression("^vextor-sim udp=(\\d+) tcp=(\\d+)")
                                              .match(QString::fromLatin1(process.readLine()));
        udpPort = quint16(m.captured(1).toUInt());
        tcpPort = quint16(m.captured(2).toUInt());
        return udpPort != 0;
    }
    void target(QTamp& worker) const
    {
        worker.SetTimeout(1);
        worker.SetIpAddress(QHostAddress(QHostAddress::LocalHost), udpPort, 0);
    }
    bool stop() // SIGTERM: a clean exit that saves the state
    {
        process.terminate();
        return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
};
