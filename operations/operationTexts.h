#pragma once

#include <QByteArray>
#include <QString>

// The texts of the device operation flows, the ROM dialog's comment checks and their progress
// labels, exactly as the user sees them. Message boxes carrying them are titled TITLE.
namespace OperationText {
inline const QString TITLE = QStringLiteral("Vextor");
inline const QString WRITE_PROTECTED = QStringLiteral("The Register is write-protected.");
inline const QString CONTINUE = QStringLiteral("Do you want to continue?");
inline const QString VERIFY_UNSTABLE = QStringLiteral("The output may become unstable during verify.");
inline const QString NOT_DOWNLOADED = QStringLiteral("The displayed data have not been yet downloaded.");
inline const QString GUI_NOT_SAVED = QStringLiteral("The GUI information cannot be saved.");
inline const QString INITIALIZE_ROM = QStringLiteral("Are you sure you want to initialize ROM area?");
inline const QString MEMORY_FULL = QStringLiteral("Memory Full: The GUI information could not be saved.");
inline const QString NO_DATA = QStringLiteral("%1: There is no data to be displayed.");
inline const QString COUNTERS_DIFFER =
    QStringLiteral("It may be different that the downloaded data are displayed.");
inline const QString NO_MSRCNT = QStringLiteral("There is no MsrCnt.");
inline const QString NO_COMMENT = QStringLiteral("Please give it a user comment.");
inline const QString COMMENT_TOO_LONG =
    QStringLiteral("The length of the user comment should be at most %1 bytes.");

// Added to the failure of a download that had begun to write.
inline const QString PARTLY_WRITTEN =
    QStringLiteral("The module now holds a partly written configuration: download it again.");
// Said when a status read finds ROM writing still enabled and switches it off.
inline const QString ROM_WRITING_SWITCHED_OFF =
    QStringLiteral("ROM writing was still enabled (a ROM job did not finish); it has been switched off.");
// A document read back from ROM that cannot be trusted. %1: its name; %2: the reader's message.
inline const QString DAMAGED_DOCUMENT =
    QStringLiteral("%1: The document stored in ROM is damaged and cannot be read.\n%2");
inline const QString NOT_A_DOCUMENT = QStringLiteral("It is not a Vextor3 document.");
// A document read back from ROM that parses but does not describe the registers stored with it
// (the slot was saved with --force, or its expression does not compile). %1: its name; %2: the
// first difference, or why the document has no image.
inline const QString FOREIGN_DOCUMENT =
    QStringLiteral("%1: The document stored in ROM does not describe the registers stored with it.\n%2");
// The same read back by a sync, which stands for what the module runs.
inline const QString MODULE_RUNS_OTHER_REGISTERS =
    QStringLiteral("%1: The module runs other registers than this document describes.\n%2");
// %1: the named setting of the first difference ("<setting> (<address>): module 1, document 0").
inline const QString FIRST_DIFFERENCE = QStringLiteral("first difference: %1");

// Said below the question before the ROM area is initialised.
inline const QString INITIALIZE_ROM_EFFECT = QStringLiteral(
    "All 16 slots lose their configurations, comments and documents, and the module boots from slot "
    "0.\nThe module's running registers are written with an empty design as well: its outputs stay "
    "quiet until a design is downloaded again.");
// The boot slot chosen holds nothing saved. %1: the slot.
inline const QString EMPTY_BOOT_SLOT =
    QStringLiteral("ROM slot %1 holds no saved configuration (its comment is empty): the module would "
                   "start from whatever registers it holds.");

// Said after the worker's text of a communication failure. %1: the module's address, %2: its UDP
// port, %3: the seconds each attempt waited, %4: the attempts.
inline const QString NO_ANSWER = QStringLiteral("no answer from %1:%2 within %3 s (%4 attempts)");
inline const QString FAILED_AT = QStringLiteral("module %1:%2");

// Confirmations of the commands that change the module, as the editor shows them and vextor-cli
// prints them. %1: the slot; the protection's %1 and %2: "on" or "off".
inline const QString ROM_SAVED = QStringLiteral("Saved to ROM slot %1");
inline const QString BOOT_SLOT_SET = QStringLiteral("Boot slot: %1");
inline const QString ROM_INITIALISED =
    QStringLiteral("ROM area initialised; the module's registers hold an empty design");
inline const QString PROTECTION_SET = QStringLiteral("Current protection: %1\nBoot protection: %2");

inline const QString PROGRESS_DOWNLOAD = QStringLiteral("Download - TAMP Access");
constexpr int PROGRESS_DOWNLOAD_MAX = 8256;
inline const QString PROGRESS_ROM = QStringLiteral("Save to ROM"); // save, restore and boot slot alike
constexpr int PROGRESS_ROM_MAX = 16385;
inline const QString PROGRESS_INITIALIZE = QStringLiteral("Initialize ROM area");
constexpr int PROGRESS_INITIALIZE_MAX = 18;

// Why a ROM slot comment cannot be stored (empty, or longer than a slot's record in UTF-8); an
// empty text when it can.
QString commentProblem(const QString& comment);
// "on" or "off".
QString onOff(bool bOn);
// The module's version bytes as text ("3.01"); a byte that is no printable character shows as "?".
QString versionText(const QByteArray& bytes);
} // namespace OperationText
