#include "cli/resultData.h"

#include "operations/documentReports.h"

QJsonObject drcReportData(const QString& report)
{
    const DrcLines drc = DrcLines::of(report);
    return {{"lines", QJsonArray::fromStringList(drc.lines)},
            {"errors", QJsonArray::fromStringList(drc.errors)},
            {"warnings", QJsonArray::fromStringList(drc.warnings)}};
}
