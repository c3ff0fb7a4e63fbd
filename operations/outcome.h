#pragma once

#include "device/moduleStatus.h"
#include "model/registerImage.h"
#include "operations/monitorSetup.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// How a device operation ended.
enum class Verdict {
    Done,
    DrcErrors,            // refused: the design rule check found errors (report in `report`)
    ExpressionError,      // refused: a logic expression does not compile (nothing was sent)
    WriteProtected,       // refused: the module's registers are write-protected
    Mismatch,             // verify: the module holds other values (report in `report`)
    NotDownloaded,        // ROM save refused: the module does not hold the diagram
    MemoryFull,           // ROM save: the registers are stored, the document found no room
    NoData,               // ROM restore or sync: the slot holds no document
    DamagedSlot,          // ROM restore or sync: the stored document does not parse (`document`
                          // carries it all the same)
    RegistersModified,    // sync: the registers changed since their slot was loaded
    RegistersDiffer,      // sync: the module runs other registers than the document stored for its
                          // slot describes (`document` carries it, `message` the first difference)
    CommunicationFailure, // the module was not reached or its job failed
    Cancelled,            // stopped by cancel() or by a declined question
};

// The name of a verdict where scripts read it (vextor-cli's JSON, the Python module's errors): lower
// case, words joined by "_"; it never changes.
QString verdictName(Verdict verdict);

// Write protection of the registers now and of the value the module applies at boot.
struct Protection
{
    bool current = false;
    bool boot = false;
};

// What an operation hands back: its verdict, the text for the user (empty when there is nothing
// to show) and the data it produced. Fields an operation does not produce stay empty.
struct OperationOutcome
{
    Verdict verdict = Verdict::Cancelled;
    QString message;
    QString detail; // the worker's own text where message stands for it (EEPROM read), or why
                    // a verify could not list its differences
    QString report; // design rule check report, or the first mismatch of a verify
    std::optional<RegisterMismatch> firstMismatch; // verify, and a slot whose document does not
                                                   // describe its registers: that mismatch as data
    // ROM restore and sync: the document handed over does not describe the registers the module
    // runs (a slot saved with the registers of another document; or its image cannot be computed).
    bool bDocumentDiffers = false;
    // Said once beside the outcome, whatever the verdict: what the operation found and put right
    // on the way (ROM writing left enabled by a ROM job that did not finish).
    QString notice;
    // What a command that changes the module did, once it is done (ROM save, boot slot, ROM
    // initialisation, protection); empty for the others.
    QString confirmation;
    // A download that failed or was cancelled after it had begun to write: the module holds a
    // partly written configuration (`message` says so) and differs from every document.
    bool bPartlyWritten = false;

    ModuleStatus status;                  // the last status read
    QByteArray data;                      // bytes read (EEPROM, user control)
    Protection protection;                // protect: the state the module has now
    QByteArray document;                  // ROM restore and sync: the stored document
    QString documentName;                 // and its name
    int slot = -1;                        // ROM commands: the slot chosen
    CounterMonitorSetup counters;         // download: what the counter monitor is to show
    UserControlSetup userControl;         // download: the user-controlled inputs
    RegisterImage moduleImage;            // download and verify: what the module holds now, when known
    QVector<ImageDifference> differences; // verify: every setting in which the module differs

    bool isDone() const { return verdict == Verdict::Done; }
};
