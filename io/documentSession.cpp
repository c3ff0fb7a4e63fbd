#include "io/documentSession.h"

#include "io/document.h"
#include "io/documentFile.h"

DocumentSession::Edit::Edit(DocumentSession* session)
    : m_pSession(session)
{
    ++m_pSession->m_openEdits;
}

DocumentSession::Edit::Edit(Edit&& other) noexcept
    : m_pSession(other.m_pSession)
{
    other.m_pSession = nullptr;
}

DocumentSession::Edit::~Edit()
{
    if (m_pSession && --m_pSession->m_openEdits == 0)
        m_pSession->recordStep();
}

DocumentSession::DocumentSession(QObject* parent)
    : QObject(parent)
    , m_document(std::make_unique<Document>())
{
    m_history.start(state());
}

DocumentSession::~DocumentSession() = default;

DocumentHistory::Pieces DocumentSession::state() const
{
    DocumentHistory::Pieces pieces;
    pieces.reserve(m_document->sheetCount() + 1);
    pieces.append(DocumentFile::head(*m_document));
    for (int id = 0; id < m_document->sheetCount(); ++id)
        pieces.append(DocumentFile::sheetText(*m_document, id));
    return pieces;
}

void DocumentSession::recordStep()
{
    if (!m_history.record(state()))
        return;
    emit stepRecorded();
    emit historyChanged();
}

void DocumentSession::startHistory(bool bSaved)
{
    m_history.start(state(), bSaved);
    emit historyChanged();
}

void DocumentSession::undo()
{
    if (!canUndo())
        return;
    const int from = m_history.index();
    m_history.undo();
    show(from);
}

void DocumentSession::redo()
{
    if (!canRedo())
        return;
    const int from = m_history.index();
    m_history.redo();
    show(from);
}

// Brings the document from the state at position from to the current one.
void DocumentSession::show(int from)
{
    const int to = m_history.index();
    const DocumentHistory::Pieces& pieces = m_history.current();
    // The connection settings follow a step that changed them, nothing else.
    const bool bSettings = !m_history.samePiece(from, to, 0);
    if (m_history.pieceCount(from) != pieces.size()) {
        // Sheets came or went: the whole document is read again.
        const InfoOstrum kept = m_document->info();
        m_document->parseFile(m_history.text(to));
        if (!bSettings)
            m_document->info() = kept;
    } else {
        QMap<int, QByteArray> sheets;
        for (int k = 1; k < pieces.size(); ++k) {
            if (!m_history.samePiece(from, to, k))
                sheets.insert(k - 1, pieces.at(k));
        }
        if (bSettings || !sheets.isEmpty())
            m_document->reloadSheets(pieces.first(), sheets, bSettings);
    }
    emit moved();
    emit historyChanged();
}

void DocumentSession::markSaved()
{
    m_history.markSaved();
    emit historyChanged();
}

void DocumentSession::markSent()
{
    m_history.markSent();
    emit historyChanged();
}
