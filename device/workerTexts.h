#pragma once

#include <QString>

// The texts the device worker reports through error(QString*), in one place for its jobs and
// its ROM operations.
namespace WorkerText {
inline const QString SEND_FAILED = QStringLiteral("TAMP: Unable to send command");
inline const QString READ_FAILED = QStringLiteral("TAMP: Unable to read");
inline const QString UNSUPPORTED = QStringLiteral("This application does not support the Hardware.");
inline const QString CANCELLED = QStringLiteral("TAMP: Download Cancelled");
inline const QString COMM_ERROR = QStringLiteral("TAMP: Communication error");
inline const QString MATCHED = QStringLiteral("Verify: The Register data is matched.");
inline const QString MISMATCH = QStringLiteral("Verify: The Register data don't match.");
inline const QString MODIFIED = QStringLiteral("Register settings are already modified.");
// The current-slot register names no slot. %1: its value.
inline const QString NO_SUCH_SLOT =
    QStringLiteral("The module reports ROM slot %1 as loaded; there are only the slots 0 to 15.");
// %1: the limit in seconds.
inline const QString ROM_BUSY =
    QStringLiteral("The module's ROM stayed busy for more than %1 seconds; the ROM command was given up.");
inline const QString FAT_RUNS_OFF = QStringLiteral("FATAL Error: FAT is corrupted.");
inline const QString FAT_LOAD_TOO_LONG = QStringLiteral("FATAL Error! FAT is corrupted.");
inline const QString FAT_LOAD_LOOP = QStringLiteral("FATAL Error!! FAT is corrupted.");
inline const QString FAT_FREE_TOO_LONG = QStringLiteral("FATAL Error. FAT is corrupted.");
inline const QString FAT_FREE_BAD_LINK = QStringLiteral("FATAL Error!!! FAT is corrupted.");
} // namespace WorkerText
