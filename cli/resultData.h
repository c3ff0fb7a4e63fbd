#pragma once

#include "model/registerImage.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Pieces of the JSON results that more than one command shows.

// A design rule check report: "lines" as printed, and "errors" and "warnings" each without its
// "error: " or "warning: " prefix.
QJsonObject drcReportData(const QString& report);

// The first difference a verification found: address, document and module as numbers, module
// null where the module's read-out ended before it. Null when there is none.
QJsonValue firstMismatchData(const std::optional<RegisterMismatch>& mismatch);
