#include "io/documentHistory.h"

namespace {
// Fast and small: a sheet's text shrinks to about a tenth.
const int COMPRESSION = 6;
const char* const TAIL = "</Vextor3>\n";

bool shared(const QByteArray& a, const QByteArray& b)
{
    return !a.isEmpty() && a.constData() == b.constData();
}

QByteArray compressed(const QByteArray& text)
{
    QByteArray bytes = qCompress(text, COMPRESSION);
    bytes.squeeze(); // the compressor's buffer is as large as the text
    return bytes;
}
} // namespace

void DocumentHistory::start(const Pieces& state, bool bSaved)
{
    Pieces pieces;
    pieces.reserve(state.size());
    for (const QByteArray& piece : state)
        pieces.append(compressed(piece));
    m_states = {pieces};
    m_stateBytes = ownBytes(0);
    m_shown = state;
    m_current = 0;
    m_saved = bSaved ? 0 : GONE;
    m_sent = GONE;
}

bool DocumentHistory::record(const Pieces& state)
{
    if (state == m_shown)
        return false;
    const Pieces& now = m_states.at(m_current);
    Pieces pieces;
    pieces.reserve(state.size());
    for (int k = 0; k < state.size(); ++k) {
        const bool same = k < m_shown.size() && state.at(k) == m_shown.at(k);
        pieces.append(same ? now.at(k) : compressed(state.at(k)));
    }
    // A saved or sent state in the dropped branch can never come back.
    while (m_states.size() > m_current + 1) {
        m_stateBytes -= ownBytes(m_states.size() - 1);
        m_states.removeLast();
    }
    if (m_saved > m_current)
        m_saved = GONE;
    if (m_sent > m_current)
        m_sent = GONE;
    m_states.append(pieces);
    m_stateBytes += ownBytes(m_states.size() - 1);
    m_shown = state;
    ++m_current;
    keepWithinLimit();
    return true;
}

void DocumentHistory::undo()
{
    if (canUndo())
        show(m_current - 1);
}

void DocumentHistory::redo()
{
    if (canRedo())
        show(m_current + 1);
}

// Makes at current, decompressing only the pieces that differ from the state shown so far.
void DocumentHistory::show(int at)
{
    const int before = m_current;
    m_current = at;
    const int pieces = m_states.at(at).size();
    m_shown.resize(pieces);
    for (int k = 0; k < pieces; ++k) {
        if (!samePiece(index(), before - 1, k))
            m_shown[k] = piece(index(), k);
    }
}

QByteArray DocumentHistory::piece(int index, int k) const
{
    return qUncompress(state(index).at(k));
}

QByteArray DocumentHistory::text(int index) const
{
    QByteArray joined;
    for (const QByteArray& compressed : state(index))
        joined += qUncompress(compressed);
    return joined + TAIL;
}

bool DocumentHistory::samePiece(int a, int b, int k) const
{
    const Pieces& first = state(a);
    const Pieces& second = state(b);
    if (k >= first.size() || k >= second.size())
        return false;
    // Compression is deterministic: equal texts compress to equal bytes.
    return shared(first.at(k), second.at(k)) || first.at(k) == second.at(k);
}

qint64 DocumentHistory::ownBytes(int at) const
{
    qint64 bytes = 0;
    const Pieces& pieces = m_states.at(at);
    for (int k = 0; k < pieces.size(); ++k) {
        const bool sharedWithBefore =
            at > 0 && k < m_states.at(at - 1).size() && shared(pieces.at(k), m_states.at(at - 1).at(k));
        if (!sharedWithBefore)
            bytes += pieces.at(k).capacity();
    }
    return bytes;
}

qint64 DocumentHistory::memoryBytes() const
{
    qint64 bytes = m_stateBytes;
    for (const QByteArray& piece : m_shown)
        bytes += piece.capacity();
    return bytes;
}

void DocumentHistory::setLimit(qint64 bytes)
{
    m_limit = bytes;
    keepWithinLimit();
}

void DocumentHistory::dropOldest()
{
    // The next state no longer shares pieces with the one dropped.
    m_stateBytes -= ownBytes(0) + ownBytes(1);
    m_states.removeFirst();
    m_stateBytes += ownBytes(0);
    --m_current;
    m_saved = m_saved > 0 ? m_saved - 1 : GONE;
    m_sent = m_sent > 0 ? m_sent - 1 : GONE;
}

void DocumentHistory::keepWithinLimit()
{
    while (m_current > 0 && memoryBytes() > m_limit)
        dropOldest();
}
