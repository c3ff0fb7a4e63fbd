#include "metrics/metricsText.h"

#include <QLocale>

#include <functional>

namespace {

// The sample's value as text, or false when the counter has none in the family.
using Sample = std::function<bool(const ModuleMetrics::Counter&, QString&)>;

// The shortest text that reads back as the same double.
QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString counterLabels(const QString& module, const ModuleMetrics::Counter& counter)
{
    return QStringLiteral("{module=\"%1\",counter=\"%2\",name=\"%3\"}")
        .arg(escapedLabelValue(module))
        .arg(counter.number)
        .arg(escapedLabelValue(counter.name));
}

// One family of per-counter samples; nothing when no counter has one.
void counterFamily(QString& out, const QVector<ModuleMetrics>& modules, const char* name, const char* type,
                   const char* help, const Sample& sample)
{
    QString lines;
    for (const ModuleMetrics& module : modules) {
        for (const ModuleMetrics::Counter& counter : module.counters) {
            QString value;
            if (sample(counter, value))
                lines += QLatin1String(name) + counterLabels(module.module, counter) + QLatin1Char(' ') +
                         value + QLatin1Char('\n');
        }
    }
    if (lines.isEmpty())
        return;
    out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
               .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type));
    out += lines;
}

} // namespace

QString escapedLabelValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar ch : value) {
        if (ch == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (ch == QLatin1Char('"'))
            escaped += QLatin1String("\\\"");
        else if (ch == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else
            escaped += ch;
    }
    return escaped;
}

QByteArray metricsExposition(const QVector<ModuleMetrics>& modules)
{
    QString out;
    if (!modules.isEmpty()) {
        out += QStringLiteral(
            "# HELP vextor_stream_up Whether the module's counter stream is connected (1) or not (0).\n"
            "# TYPE vextor_stream_up gauge\n");
        for (const ModuleMetrics& module : modules)
            out += QStringLiteral("vextor_stream_up{module=\"%1\"} %2\n")
                       .arg(escapedLabelValue(module.module))
                       .arg(module.bUp ? 1 : 0);
    }
    counterFamily(out, modules, "vextor_msrcnt_records_total", "counter",
                  "Records the measure counter has delivered.",
                  [](const ModuleMetrics::Counter& c, QString& v) {
                      v = QString::number(c.records);
                      return true;
                  });
    counterFamily(out, modules, "vextor_msrcnt_integrated_seconds_total", "counter",
                  "Sum of the times a time-type measure counter has measured.",
                  [](const ModuleMetrics::Counter& c, QString& v) {
                      v = number(c.integrated);
                      return c.bTimeType;
                  });
    counterFamily(out, modules, "vextor_msrcnt_integrated_events_total", "counter",
                  "Sum of the events a counting measure counter has counted.",
                  [](const ModuleMetrics::Counter& c, QString& v) {
                      v = number(c.integrated);
                      return !c.bTimeType;
                  });
    counterFamily(out, modules, "vextor_msrcnt_last_seconds", "gauge",
                  "The last time a time-type measure counter has measured.",
                  [](const ModuleMetrics::Counter& c, QString& v) {
                      v = number(c.last);
                      return c.bTimeType && c.bHasLast;
                  });
    counterFamily(out, modules, "vextor_msrcnt_last_events", "gauge",
                  "The last number of events a counting measure counter has counted.",
                  [](const ModuleMetrics::Counter& c, QString& v) {
                      v = number(c.last);
                      return !c.bTimeType && c.bHasLast;
                  });
    return out.toUtf8();
}
