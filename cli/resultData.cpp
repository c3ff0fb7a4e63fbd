#include "cli/resultData.h"

#include <QStringList>

QJsonArray jsonLines(const QString& text)
{
    return QJsonArray::fromStringList(text.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

QJsonObject drcReportData(const QString& report)
{
    static const QString ERROR = QStringLiteral("error: ");
    static const QString WARNING = QStringLiteral("warning: ");
    QJsonArray errors;
    QJsonArray warnings;
    const QJsonArray lines = jsonLines(report);
    for (const QJsonValue& value : lines) {
        const QString line = value.toString();
        if (line.startsWith(ERROR))
            errors.append(line.mid(ERROR.size()));
        else if (line.startsWith(WARNING))
            warnings.append(line.mid(WARNING.size()));
    }
    return {{"lines", lines}, {"errors", errors}, {"warnings", warnings}};
}

QJsonValue firstMismatchData(const std::optional<RegisterMismatch>& mismatch)
{
    if (!mismatch)
        return QJsonValue();
    return QJsonObject{{"address", qint64(mismatch->address)},
                       {"document", qint64(mismatch->document)},
                       {"module", mismatch->module ? QJsonValue(qint64(*mismatch->module)) : QJsonValue()}};
}
