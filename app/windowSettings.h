#pragma once

#include <QRect>
#include <QSettings>
#include <QStringList>

// The main window's persistent settings: its geometry and the recent-file list.
class WindowSettings
{
public:
    static constexpr int MAX_RECENT_FILES = 7;

    WindowSettings();

    QRect geometry(const QRect& fallback) const;
    void setGeometry(const QRect& rect);

    // Most recent first, at most MAX_RECENT_FILES names, none twice.
    QStringList recentFiles() const;
    // Puts name at the top of the list (taking it out of its old place).
    void addRecentFile(const QString& name);

private:
    QSettings m_settings;
};
