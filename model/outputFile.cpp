#include "model/outputFile.h"

#include <QFileInfo>

OutputFile::OutputFile(const QString& fileName)
    : m_fileName(fileName)
{}

bool OutputFile::open(QIODevice::OpenMode mode)
{
    // QFileInfo follows symbolic links: /dev/stdout is the terminal or pipe it leads to.
    const QFileInfo info(m_fileName);
    if (info.exists() && !info.isFile()) {
        m_direct = std::make_unique<QFile>(m_fileName);
        return m_direct->open(mode);
    }
    m_saved = std::make_unique<QSaveFile>(m_fileName);
    return m_saved->open(mode);
}

QIODevice& OutputFile::device()
{
    if (m_direct)
        return *m_direct;
    return *m_saved;
}

bool OutputFile::commit()
{
    if (m_direct) {
        const bool ok = m_direct->error() == QFileDevice::NoError && m_direct->flush();
        m_direct->close();
        return ok && m_direct->error() == QFileDevice::NoError;
    }
    return m_saved && m_saved->commit();
}

QString OutputFile::errorString() const
{
    if (m_direct)
        return m_direct->errorString();
    return m_saved ? m_saved->errorString() : QString();
}

bool OutputFile::write(const QString& fileName, const QByteArray& data, QString* error)
{
    OutputFile file(fileName);
    if (file.open() && file.device().write(data) == data.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}
