#pragma once

#include "model/infoOstrum.h"

#include <QMap>
#include <QString>

// What the SAX handler reports to: the connection settings of the root element, each sheet and
// each block entry. DocumentReader implements it, so that the editor and the command-line tool
// read documents the same way.
class DocumentReceiver
{
public:
    virtual ~DocumentReceiver() = default;

    virtual void setConnectionSettings(const InfoOstrum& info) = 0;
    // Adds empty sheets until id exists, then names sheet id.
    virtual void addTab(int id, const QString& name) = 0;
    // One entry: its term, the sheet it belongs to and its key/value pairs. False aborts the load.
    virtual bool addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck) = 0;
    // A message the reader shows the user (a warning box in the editor, stderr in the tool).
    virtual void warning(const QString& title, const QString& text) = 0;
};
