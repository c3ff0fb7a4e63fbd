#include "cli/resultData.h"

#include "operations/documentReports.h"

QJsonObject drcReportData(const QString& report)
{
    const DrcLines drc = DrcLines::of(report);
    return {{"lines", QJsonArray::fromStringList(drc.lines)},
            {"errors", QJsonArray::fromStringList(drc.errors)},
            {"warnings", QJsonArray::fromStringList(drc.warnings)}};
}

QJsonValue firstMismatchData(const std::optional<RegisterMismatch>& mismatch)
{
    if (!mismatch)
        return QJsonValue();
    return QJsonObject{{"address", qint64(mismatch->address)},
                       {"document", qint64(mismatch->document)},
                       {"module", mismatch->module ? QJsonValue(qint64(*mismatch->module)) : QJsonValue()}};
}
