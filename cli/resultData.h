#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Pieces of the JSON results that more than one command shows.

// A design rule check report: "lines" as printed, and "errors" and "warnings" each without its
// "error: " or "warning: " prefix.
QJsonObject drcReportData(const QString& report);
