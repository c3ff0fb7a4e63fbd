#pragma once

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <memory>

// A file the program writes as a whole: a regular file (or a new one) is written under a
// temporary name beside it and renamed over it by commit(), so that a failure on the way leaves
// the old file as it was. Anything else a name may stand for (a device such as /dev/null or
// /dev/stdout, a FIFO, a socket) is written directly: renaming over it would put a regular file
// in place of the node, and run as root that destroys /dev/null.
class OutputFile
{
public:
    explicit OutputFile(const QString& fileName);

    bool open(QIODevice::OpenMode mode = QIODevice::WriteOnly);
    // Where the content goes, once open.
    QIODevice& device();
    // Ends the writing; false when anything failed (errorString() says what), and the old regular
    // file is then left as it was.
    bool commit();
    QString errorString() const;

    // Writes data as the whole file; false with the reason in *error when it cannot.
    static bool write(const QString& fileName, const QByteArray& data, QString* error);

private:
    QString m_fileName;
    std::unique_ptr<QSaveFile> m_saved;
    std::unique_ptr<QFile> m_direct;
};
