#pragma once

#include "io/document.h"

#include <QStringList>

// Everything of a document that reading its text decides, one line each: the text, the palette's
// counts, the blocks in the order of the diagram's pools (which decides how the image maps the
// functions onto the module's slots) and what the label panel shows of its entries.
inline QStringList documentState(Document& doc)
{
    QStringList lines{QString::fromUtf8(doc.toXml())};
    for (const ResourceCounters::Entry& entry : doc.counters()->entries())
        lines << QStringLiteral("%1 %2").arg(entry.name).arg(entry.cnt);
    for (const BlockItem* b : doc.diagram()->allBlocks())
        lines << QStringLiteral("%1 on %2 in %3").arg(b->getName()).arg(b->getTid()).arg(b->getIndex());
    for (const auto* list : {&doc.labels()->feedbacks(), &doc.labels()->labels()}) {
        for (const LabelModel::LabelInfo& entry : *list) {
            QStringList used;
            for (auto it = entry.bUsed.constBegin(); it != entry.bUsed.constEnd(); ++it) {
                if (it.value())
                    used << QString::number(it.key());
            }
            const QString item = entry.item ? QStringLiteral("%1 on %2 in %3")
                                                  .arg(entry.item->getType())
                                                  .arg(entry.item->getTid())
                                                  .arg(entry.item->getIndex())
                                            : QStringLiteral("none");
            lines << QStringLiteral("label %1 (%2) used on %3, defined by %4")
                         .arg(entry.name, entry.userName, used.join(','), item);
        }
    }
    return lines;
}

// The state a whole read of the document's text gives.
inline QStringList stateAsRead(const QByteArray& text)
{
    Document read;
    read.parseFile(text);
    return documentState(read);
}
