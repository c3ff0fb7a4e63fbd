#pragma once

#include "model/infoOstrum.h"

#include <QByteArray>
#include <QString>

class QUdpThread;
class QTextStream;

// What one device job reported, collected from the worker's signals.
struct JobOutcome
{
    bool bOk = false;  // closed(true)
    QString error;     // error(QString*)
    QByteArray data;   // readData(QByteArray*): status bytes or the bytes read
    int result = -1;   // setResult(int)
    bool bXml = false; // setXml was emitted
    QByteArray xml;    // its bytes
    QString name;      // its name
};

// Runs one worker job against target from a local event loop and waits for its thread. With a
// progress stream, every setProgress value is shown there as "\r<label>: <value><unit>".
JobOutcome runWorkerJob(QUdpThread& worker, const InfoOstrum& target, QTextStream* progress = nullptr,
                        const QString& label = QString(), const QString& unit = QString());
