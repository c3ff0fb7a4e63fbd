#pragma once

#include "model/infoOstrum.h"

#include <QByteArray>

class Prompts;

// What the device dialogs need from the window that opened them: its prompts, the connection
// settings in force, the document's modified state, and the places their choices go (the ROM
// page, the protection, the state of the Counters and User Control commands).
class DeviceDialogHost
{
public:
    virtual ~DeviceDialogHost() = default;

    virtual Prompts& prompts() = 0;
    // The connection settings of the open document.
    virtual InfoOstrum& infoOstrum() = 0;
    // The document changed (its connection settings are part of it).
    virtual void setModified() = 0;
    // Whether the document has unsaved changes; saving it (false when it was not saved).
    virtual bool isModified() const = 0;
    virtual bool save() = 0;

    // The ROM dialog's choice: the page's new comment record (empty: unchanged), the boot page
    // (-1: unchanged) and the page.
    virtual void setROMinfo(QByteArray& comment, char bootPage, quint32 page) = 0;
    // The write-protect dialog's choice.
    virtual void setProtect(bool current, bool boot) = 0;
    // Enables or disables Counters and User Control (false after a failed exchange).
    virtual void setDialogEnabled(bool bEnabled) = 0;
    // The user-control dialog was closed.
    virtual void closedUserControl() = 0;
};
