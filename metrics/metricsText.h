#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// What is served about one module: whether its counter stream is up and, per measure counter of
// its diagram, what it has delivered while this process has run (over every connection, so that
// the totals only grow), in base units: seconds for the time-type counters, events for the
// counting ones.
struct ModuleMetrics
{
    struct Counter
    {
        int number = 0;
        QString name;
        bool bTimeType = true;
        quint64 records = 0;
        double integrated = 0;
        bool bHasLast = false;
        double last = 0;
    };

    QString module;
    bool bUp = false;
    QVector<Counter> counters;
};

// The modules in the Prometheus text exposition format (version 0.0.4), one family after another
// with its HELP and TYPE lines, a family only when it has samples:
//   vextor_stream_up{module}                                                 gauge
//   vextor_msrcnt_records_total{module,counter,name}                counter
//   vextor_msrcnt_integrated_seconds_total / _integrated_events_total  counter
//   vextor_msrcnt_last_seconds / _last_events                       gauge
QByteArray metricsExposition(const QVector<ModuleMetrics>& modules);

// A label value with backslash, double quote and line feed escaped.
QString escapedLabelValue(const QString& value);
