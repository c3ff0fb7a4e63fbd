#pragma once

#include <QByteArray>
#include <QVector>

// The undo snapshots of one document, each the whole document text, oldest first. Position -1 is
// the state before the first snapshot: the text the document was opened with (first()). Besides
// the current position the history keeps the one last saved to a file and the one last sent to
// the module; from these it tells whether Undo and Redo are possible, whether the document
// differs from its file and whether it still is what the module holds.
class UndoHistory
{
public:
    // The saved or sent position of a state that was dropped with a redo branch: no position
    // reaches it any more.
    static constexpr int GONE = -2;

    // Forgets every snapshot; every position becomes -1, so the opened text counts as saved.
    void clear();

    // The text the document was opened with (empty for a new document).
    void setFirst(const QByteArray& text) { m_first = text; }
    const QByteArray& first() const { return m_first; }

    // While set, changes take no snapshot (an edit of several blocks records one at its end).
    void setIgnore(bool bIgnore) { m_bIgnore = bIgnore; }
    bool bIgnore() const { return m_bIgnore; }

    // A change: drops the redo branch and appends text as the current state.
    void record(const QByteArray& text);
    // One step back or forward (none when there is no such step); returns the text of the state
    // that is now current (first() at position -1, which may be empty).
    QByteArray undo();
    QByteArray redo();

    void markSaved() { m_saveIndex = m_index; }
    void markLoaded() { m_loadIndex = m_index; }

    bool canUndo() const { return m_index >= 0; }
    bool canRedo() const { return m_index + 1 < m_buffer.size(); }
    bool isModified() const { return m_index != m_saveIndex; }
    bool matchesModule() const { return m_index == m_loadIndex; }

    int count() const { return m_buffer.size(); }
    int index() const { return m_index; }
    int saveIndex() const { return m_saveIndex; }
    int loadIndex() const { return m_loadIndex; }
    // The text at a position, first() at -1.
    QByteArray text(int index) const { return index < 0 ? m_first : m_buffer.value(index); }

private:
    QVector<QByteArray> m_buffer;
    QByteArray m_first;
    int m_index = -1;
    int m_saveIndex = -1;
    int m_loadIndex = -1;
    bool m_bIgnore = false;
};
