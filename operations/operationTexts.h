#pragma once

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

inline const QString PROGRESS_DOWNLOAD = QStringLiteral("Download - TAMP Access");
constexpr int PROGRESS_DOWNLOAD_MAX = 8256;
inline const QString PROGRESS_ROM = QStringLiteral("Save to ROM"); // save, restore and boot slot alike
constexpr int PROGRESS_ROM_MAX = 16385;
inline const QString PROGRESS_INITIALIZE = QStringLiteral("Initialize ROM area");
constexpr int PROGRESS_INITIALIZE_MAX = 18;

// Why a ROM slot comment cannot be stored (empty, or longer than a slot's record in UTF-8); an
// empty text when it can.
QString commentProblem(const QString& comment);
} // namespace OperationText
