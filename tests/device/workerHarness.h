#pragma once

#include "moduleMemory.h"
#include "qUdpThread.h"
#include "tampServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
    int closedCount = 0;
    QStringList errors;
    QList<QByteArray> data;
    QList<int> progress;
    QList<int> results;
    QString html;
    bool bXml = false; // a ROM job delivered a document (xml, name) through setXml
    QByteArray xml;
    QString name;
    qint64 elapsedMs = 0;
    QStringList order; // signal names in arrival order
};

// Starts the worker and runs the test thread's event loop (which serves an in-process simulator)
// until the worker has closed or the time is up.
inline WorkerOutcome runWorker(QUdpThread& worker, int timeoutMs = 30000,
                               const std::function<void()>& whileRunning = {})
{
    WorkerOutcome outcome;
    QEventLoop loop;
    QObject::connect(&worker, &QTamp::closed, &loop, [&](bool ok) {
        outcome.bClosed = true;
        outcome.bOk = ok;
        ++outcome.closedCount;
        outcome.order << QStringLiteral("closed");
        loop.quit();
    });
    QObject::connect(&worker, &QTamp::error, &loop, [&](QString* text) {
        outcome.errors << *text;
        outcome.order << QStringLiteral("error");
    });
    QObject::connect(&worker, &QUdpThread::readData, &loop, [&](QByteArray* bytes) {
        outcome.data << *bytes;
        outcome.order << QStringLiteral("readData");
    });
    QObject::connect(&worker, &QUdpThread::setProgress, &loop, [&](int value) {
        outcome.progress << value;
        outcome.order << QStringLiteral("setProgress");
    });
    QObject::connect(&worker, &QUdpThread::setResult, &loop, [&](int value) {
        outcome.results << value;
        outcome.order << QStringLiteral("setResult");
    });
    QObject::connect(&worker, &QUdpThread::setHtml, &loop, [&](QString* html) {
        outcome.html = *html;
        outcome.order << QStringLiteral("setHtml");
    });
    QObject::connect(&worker, &QUdpThread::setXml, &loop, [&](QByteArray* data, QString name) {
        outcome.bXml = true;
        outcome.xml = data ? *data : QByteArray();
        outcome.name = name;
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    worker.start();
    if (whileRunning)
        whileRunning();
    loop.exec();
    worker.wait(5000);
    outcome.elapsedMs = timer.elapsed();
    // Signals queued after closed (there must be none) would show up here.
    QCoreApplication::processEvents();
    return outcome;
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
