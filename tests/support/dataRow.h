#pragma once

#include <QTest>

// Adds a data row, QTest::newRow(tag) << values..., in one call.
template<typename... Values> void dataRow(const char* tag, const Values&... values)
{
    (QTest::newRow(tag) << ... << values);
}
