#pragma once

#include "operations/outcome.h"

#include <QByteArray>
#include <QString>

// The questions a flow asks before it goes on; each is a yes/no choice (its box: QuestionBox).
enum class Question {
    VerifyOutput,      // before verify
    SaveNotDownloaded, // Save to ROM of a diagram the module does not hold
    SaveWithoutGui,    // then, in the same box, after a Yes to the first
    InitializeRom,     // before ROM initialisation
};

// How a question is put: its text, the informative text below it (may be empty), a title (empty
// for none), a warning icon or none, the buttons Yes and Cancel or, with bYesNo, Yes and No, and
// the default answer.
struct QuestionBox
{
    QString text;
    QString informative;
    QString title;
    bool bWarning = true;
    bool bYesNo = false;
    bool bDefaultYes = true;

    static QuestionBox of(Question question);
};

// What a ROM command does; the values are those of the ROM dialog's mode.
enum class RomCommand { Save = 0, Restore = 1, BootNum = 2 };

// The ROM dialog's answer.
struct RomChoice
{
    int slot = 0;
    QByteArray comment; // the slot's new comment record; empty: the stored comment stays
    int bootSlot = -1;  // the slot to boot from; -1: unchanged
};

// The decisions a flow needs from its caller on the way. The editor answers with its message
// boxes and dialogs, vextor-cli from its options. Every method returns false to stop the flow
// (which then ends Cancelled, or NotDownloaded for the ROM-save questions).
class OperationPrompts
{
public:
    virtual ~OperationPrompts() = default;

    // Design-rule warnings (no errors): go on with the download? The report comes along.
    virtual bool continueAfterWarnings(const QString& report) = 0;
    virtual bool confirm(Question question) = 0;
    // Save, restore or boot slot: choose given the status with ROM information.
    virtual bool chooseRomSlot(RomCommand command, const ModuleStatus& status, RomChoice& choice) = 0;
    // The protection wanted, given the module's.
    virtual bool chooseProtection(const Protection& now, Protection& wanted) = 0;
    // Called once a download is allowed, before it writes: release what uses the module's stream
    // (the counter monitor). True when something was asked to close; the download then gives it
    // STREAM_RELEASE_MS to do so.
    virtual bool releaseModule() { return false; }

    static constexpr int STREAM_RELEASE_MS = 500;
};
