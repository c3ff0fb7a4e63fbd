#pragma once

#include "device/qUdpThread.h"
#include "model/infoOstrum.h"
#include "sim/moduleMemory.h"
#include "sim/tampServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

// What a worker reported, collected in the test thread through queued connections.
struct WorkerOutcome
{
    bool bClosed = false;
    bool bOk = false;
    QStringList errors;
    QList<QByteArray> data;
    QList<int> progress;
    bool bXml = false; // a ROM job delivered a document through setXml
    QByteArray xml;
    QString name;
};

// Starts the worker and runs the test thread's event loop (which serves an in-process simulator)
// until the worker has closed.
inline WorkerOutcome runWorker(QUdpThread& worker)
{
    WorkerOutcome o;
    QEventLoop loop;
    QObject::connect(&worker, &QTamp::error, &loop, [&o](QString* text) { o.errors << *text; });
    QObject::connect(&worker, &QUdpThread::readData, &loop, [&o](QByteArray* bytes) { o.data << *bytes; });
    QObject::connect(&worker, &QUdpThread::setProgress, &loop, [&o](int value) { o.progress << value; });
    QObject::connect(&worker, &QUdpThread::setXml, &loop, [&o](QByteArray* data, QString name) {
        o.bXml = true;
        o.xml = *data;
        o.name = name;
    });
    QObject::connect(&worker, &QTamp::closed, &loop, [&](bool ok) {
        o.bClosed = true;
        o.bOk = ok;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit); // a hung worker fails the test, not the suite
    worker.start();
    loop.exec();
    worker.wait();
    QCoreApplication::processEvents(); // anything queued after closed (there must be nothing)
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
    void target(QTamp& worker) const
    {
        worker.SetTimeout(1);
        worker.SetIpAddress(QHostAddress(QHostAddress::LocalHost), server.port(), 0);
    }
    InfoOstrum info() const
    {
        InfoOstrum info = InfoOstrum::defaults(false);
        info.strAddr = QStringLiteral("127.0.0.1");
        info.udpPort = server.port();
        return info;
    }
    // (address, length) of every write command received, in order.
    QList<QPair<quint32, int>> writes() const
    {
        QList<QPair<quint32, int>> list;
        for (const QByteArray& r : requests) {
            if (quint8(r.at(1)) == 0x80)
                list << qMakePair(addressOf(r), int(quint8(r.at(3))));
        }
        return list;
    }
    static quint32 addressOf(const QByteArray& r) { return quint32(r.mid(4, 4).toHex().toUInt(nullptr, 16)); }
};
