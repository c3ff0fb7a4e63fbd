#pragma once

#include "io/document.h"

#include <QSet>
#include <QStringList>
#include <QVector>

// The clipboard's text: block entries of the document format between two wrapper lines, so that
// blocks travel between sheets, documents and running editors as plain text.
namespace Clipboard {
inline constexpr QLatin1String HEADER = latin1("<Vextor_Copy_Items>\n");
inline constexpr QLatin1String TRAILER = latin1("</Vextor_Copy_Items>\n");

// The wrapper around the blocks' entries, in the order given (just the two lines for none).
QString copyText(const QVector<BlockItem*>& blocks);
// Whether text holds copied blocks: it begins with the header line, letter case and all.
bool isCopyText(const QString& text);
} // namespace Clipboard

// Where pasted blocks go on one sheet and what they are called there. Each block takes the first
// free slot of its column; it keeps its name where that name is free, otherwise it gets the
// smallest free number after its name's prefix (the option and user inputs, whose channels have
// no number, go to the threshold inputs). The outputs of labels and FeedBack signals keep
// their label's name. Names handed out during a pass count as taken; reset() starts a pass, so
// that the check pass and the paste pass give every block the same name.
class PasteRules : public PasteHook
{
public:
    PasteRules(Document* document, int tid);

    // Pastes clipboard text into sheet tid: a check pass learns the names the blocks will get,
    // then the paste pass makes them, wires among them joining the copies. A pasted block whose
    // user name another block shows gets the first free one with a number (COINC_2), except that
    // an input shows the user name of its channel and the outputs of a label that of their label.
    // The reader reports what it cannot place (the document's messages). False when the text
    // does not parse.
    static bool paste(Document* document, int tid, const QByteArray& text);

    void reset() { m_pasteLabel.clear(); }

    // The slot for a pasted block of type item (-1 when its column is full or it has none);
    // renames name where needed.
    int pasteItem(const QString& item, QString& name) override;
    // Makes name one that no block of the document carries and no block of this pass was given.
    void pasteName(QString& name);

private:
    void giveFreeUserNames(const QSet<const BlockItem*>& before);
    bool userNameTaken(const QString& userName, const BlockItem* block) const;
    bool isFree(const QString& name) const;
    static int lastNumber(const QString& prefix);

    Document* m_pDocument;
    int m_tid;
    QStringList m_pasteLabel;
};
