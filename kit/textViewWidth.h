#pragma once

#include <QFontMetrics>
#include <QScrollBar>
#include <QString>
#include <QTextDocument>

// The width a text view (QTextEdit or QPlainTextEdit) needs to show every line of `text` whole:
// the widest line, the frame and the document's margin on both sides, and a vertical scroll bar.
template<typename TextView> int unwrappedWidth(const TextView& view, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, view.fontMetrics().horizontalAdvance(line));
    return widest + 2 * (view.frameWidth() + int(view.document()->documentMargin())) +
           view.verticalScrollBar()->sizeHint().width();
}
