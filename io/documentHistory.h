#pragma once

#include <QByteArray>
#include <QVector>

// The states one document went through, for undo and redo. A state is the document writer's
// text in pieces: the root element's start tag, then one piece per sheet (the root's end tag is
// the same for all). Pieces are kept compressed, and a piece that did not change from a state to
// the next is kept once for both, so a step costs about the compressed size of the sheets it
// changed.
//
// Position -1 is the start (the document as it was opened or made); steps follow from 0. Besides
// the current position the history keeps the one last saved to a file and the one last sent to the
// module; a state that is dropped takes its mark along (GONE).
//
// Memory is bounded: the states take at most limit() bytes (MEMORY_LIMIT unless set). A step that
// goes beyond it drops the oldest states, so undo then reaches back as far as the bound allows;
// the current state always stays.
class DocumentHistory
{
public:
    static constexpr qint64 MEMORY_LIMIT = 32 * 1024 * 1024;
    // The mark of a state that was dropped: no position reaches it any more.
    static constexpr int GONE = -2;

    using Pieces = QVector<QByteArray>;

    // Forgets every state: state becomes the start and the current position. bSaved: it is what
    // the document's file holds.
    void start(const Pieces& state, bool bSaved = true);
    // A change: drops the redo branch and appends state as the current one. False, with nothing
    // recorded, when state is the current state.
    bool record(const Pieces& state);

    bool canUndo() const { return m_current > 0; }
    bool canRedo() const { return m_current + 1 < m_states.size(); }
    // One step back or forward (none when there is no such step).
    void undo();
    void redo();

    int index() const { return m_current - 1; }
    // Steps after the start.
    int count() const { return m_states.size() - 1; }

    // The state at a position, piece by piece, and the whole text (with the root's end tag).
    int pieceCount(int index) const { return state(index).size(); }
    QByteArray piece(int index, int k) const;
    QByteArray text(int index) const;
    // The uncompressed pieces of the current state.
    const Pieces& current() const { return m_shown; }
    // Whether piece k is the same in the states at positions a and b.
    bool samePiece(int a, int b, int k) const;

    void markSaved() { m_saved = m_current; }
    void markSent() { m_sent = m_current; }
    bool isModified() const { return m_current != m_saved; }
    bool matchesModule() const { return m_current == m_sent; }
    int saveIndex() const { return mark(m_saved); }
    int sentIndex() const { return mark(m_sent); }

    // Bytes the states take: the compressed pieces (a piece shared by states counts once) and the
    // current state's text.
    qint64 memoryBytes() const;
    qint64 limit() const { return m_limit; }
    void setLimit(qint64 bytes);

private:
    const Pieces& state(int index) const { return m_states.at(index + 1); }
    int mark(int at) const { return at < 0 ? GONE : at - 1; }
    void show(int at);
    qint64 ownBytes(int at) const;
    void dropOldest();
    void keepWithinLimit();

    QVector<Pieces> m_states; // compressed; [0] is the start
    Pieces m_shown;           // the current state, uncompressed
    int m_current = 0;        // into m_states
    int m_saved = 0;          // into m_states; negative: gone
    int m_sent = GONE;
    qint64 m_stateBytes = 0; // the states' own bytes (ownBytes), kept as they come and go
    qint64 m_limit = MEMORY_LIMIT;
};
