#include "cli/workerJob.h"

#include "device/qUdpThread.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTextStream>

JobOutcome runWorkerJob(QUdpThread& worker, const InfoOstrum& target, QTextStream* progress,
                        const QString& label, const QString& unit)
{
    JobOutcome outcome;
    worker.SetTimeout(target.timeout);
    worker.SetIpAddress(QHostAddress(target.strAddr), target.udpPort, 0);
    QEventLoop loop;
    QObject::connect(&worker, &QTamp::closed, &loop, [&](bool ok) {
        outcome.bOk = ok;
        loop.quit();
    });
    QObject::connect(&worker, &QTamp::error, &loop, [&](QString* text) { outcome.error = *text; });
    QObject::connect(&worker, &QUdpThread::readData, &loop,
                     [&](QByteArray* bytes) { outcome.data = *bytes; });
    QObject::connect(&worker, &QUdpThread::setResult, &loop, [&](int result) { outcome.result = result; });
    QObject::connect(&worker, &QUdpThread::setXml, &loop, [&](QByteArray* data, QString name) {
        outcome.bXml = true;
        outcome.xml = data ? *data : QByteArray();
        outcome.name = name;
    });
    if (progress) {
        QObject::connect(&worker, &QUdpThread::setProgress, &loop, [&](int value) {
            *progress << "\r" << label << ": " << value << unit << Qt::flush;
        });
    }
    worker.start();
    loop.exec();
    worker.wait();
    if (progress)
        *progress << "\n" << Qt::flush;
    return outcome;
}
