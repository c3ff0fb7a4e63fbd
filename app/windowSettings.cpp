#include "app/windowSettings.h"

namespace {
const QString GROUP = QStringLiteral("mainwindow");
const QString GEOMETRY_KEY = QStringLiteral("geometry");
const QString RECENT_FILES_KEY = QStringLiteral("recentFileList");
} // namespace

WindowSettings::WindowSettings()
    : m_settings(QStringLiteral("Halvane"), QStringLiteral("Vextor"))
{}

QRect WindowSettings::geometry(const QRect& fallback) const
{
    return m_settings.value(GROUP + QLatin1Char('/') + GEOMETRY_KEY, fallback).toRect();
}

void WindowSettings::setGeometry(const QRect& rect)
{
    m_settings.setValue(GROUP + QLatin1Char('/') + GEOMETRY_KEY, rect);
}

QStringList WindowSettings::recentFiles() const
{
    return m_settings.value(RECENT_FILES_KEY).toStringList().mid(0, MAX_RECENT_FILES);
}

void WindowSettings::addRecentFile(const QString& name)
{
    QStringList files = m_settings.value(RECENT_FILES_KEY).toStringList();
    files.removeAll(name);
    files.prepend(name);
    while (files.size() > MAX_RECENT_FILES)
        files.removeLast();
    m_settings.setValue(RECENT_FILES_KEY, files);
}
