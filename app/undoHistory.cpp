#include "app/undoHistory.h"

void UndoHistory::clear()
{
    m_buffer.clear();
    m_index = m_saveIndex = m_loadIndex = -1;
}

void UndoHistory::record(const QByteArray& text)
{
    m_buffer.resize(m_index + 1);
    // A saved or sent state in the dropped branch can never come back; were its position kept,
    // the next state recorded there would pass for it.
    if (m_saveIndex > m_index)
        m_saveIndex = GONE;
    if (m_loadIndex > m_index)
        m_loadIndex = GONE;
    m_buffer.append(text);
    ++m_index;
}

QByteArray UndoHistory::undo()
{
    if (canUndo())
        --m_index;
    return text(m_index);
}

QByteArray UndoHistory::redo()
{
    if (canRedo())
        ++m_index;
    return text(m_index);
}
