#include "io/pasteRules.h"

#include "model/blockKinds.h"

#include <QTextStream>

using namespace BlockKinds;

QString Clipboard::copyText(const QVector<BlockItem*>& blocks)
{
    QString text;
    QTextStream ts(&text, QIODevice::WriteOnly);
    ts << HEADER;
    for (const BlockItem* block : blocks)
        block->saveItem(ts, block->getType(), 1);
    ts << TRAILER;
    ts.flush();
    return text;
}

bool Clipboard::isCopyText(const QString& text)
{
    return text.startsWith(HEADER);
}

PasteRules::PasteRules(Document* document, int tid)
    : m_pDocument(document)
    , m_tid(tid)
{}

bool PasteRules::paste(Document* document, int tid, const QByteArray& text)
{
    PasteRules rules(document, tid);
    const QVector<BlockItem*> all = document->diagram()->allBlocks();
    const QSet<const BlockItem*> before(all.cbegin(), all.cend());
    DocumentReader reader(document);
    reader.setPaste(&rules, tid);
    bool ok = reader.check(text);
    rules.reset();
    ok = ok && reader.paste(text);
    rules.giveFreeUserNames(before);
    return ok;
}

bool PasteRules::userNameTaken(const QString& userName, const BlockItem* block) const
{
    for (const BlockItem* other : m_pDocument->diagram()->allBlocks()) {
        // The outputs of a label show the label's name.
        const bool sameSignal = block && other->getName() == block->getName();
        if (other != block && !sameSignal && other->getUserName() == userName)
            return true;
    }
    return false;
}

void PasteRules::giveFreeUserNames(const QSet<const BlockItem*>& before)
{
    SheetModel* sheet = m_pDocument->sheet(m_tid);
    QVector<BlockItem*> pasted;
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        for (BlockItem* block : sheet->column(SheetModel::Column(c))) {
            if (!before.contains(block))
                pasted.append(block);
        }
    }
    for (BlockItem* block : qAsConst(pasted)) {
        if (isLabelOutput(block))
            continue; // follows its label
        if (isInput(block)) {
            // One channel, one user name on every sheet.
            const NIM_IN* sameChannel = nullptr;
            for (const NIM_IN* other : m_pDocument->diagram()->inputs()) {
                if (other != block && other->getName() == block->getName())
                    sameChannel = other;
            }
            if (sameChannel) {
                m_pDocument->setUserName(block, sameChannel->storedUserName());
                continue;
            }
        }
        const QString userName = block->storedUserName();
        if (userName.isEmpty() || !userNameTaken(userName, block))
            continue;
        // COINC_2 after COINC, COINC_3 after COINC_2.
        QString base = userName;
        const int underscore = base.lastIndexOf(QLatin1Char('_'));
        bool numbered = false;
        if (underscore > 0 && base.mid(underscore + 1).toInt(&numbered) >= 2 && numbered)
            base.truncate(underscore);
        QString free;
        for (int n = 2; free.isEmpty() || userNameTaken(free, nullptr) || ChannelNames::isReservedName(free);
             ++n)
            free = QStringLiteral("%1_%2").arg(base).arg(n);
        if (isFeedBackIn(block) || isLabelIn(block))
            m_pDocument->renameLabel(block->getName(), free);
        else
            m_pDocument->setUserName(block, free);
    }
}

int PasteRules::pasteItem(const QString& item, QString& name)
{
    SheetModel::Column column = SheetModel::ColumnCount;
    if (isInput(item))
        column = SheetModel::InputColumn;
    else if (isPostLogic(item) || isFncLabelIn(item))
        column = SheetModel::PostLogicColumn;
    else if (isOutput(item) || isMsrCnt(item) || isFeedBackIn(item))
        column = SheetModel::OutputColumn;
    else if (isPreLogic(item) || isFeedBack(item) || item.startsWith(PRE_LABEL))
        column = SheetModel::PreLogicColumn;
    else if (item.startsWith(LABEL) || isFunction(item))
        column = SheetModel::FunctionColumn;
    SheetModel* sheet = m_pDocument->sheet(m_tid);
    if (column == SheetModel::ColumnCount || !sheet)
        return -1;
    const int slot = SheetModel::searchIndex(sheet->column(column), SheetModel::columnPitch(column), 0, 1);
    // An output of a label or FeedBack signal refers to its label by name.
    const bool labelOutput =
        (name.contains(LABEL) && !isLabelIn(item)) || (name.startsWith(FEED_BACK) && !isFeedBackIn(item));
    if (!labelOutput)
        pasteName(name);
    return slot;
}

bool PasteRules::isFree(const QString& name) const
{
    if (m_pasteLabel.contains(name))
        return false;
    const BlockDiagram* diagram = m_pDocument->diagram();
    // A channel is free when this sheet has no input on it, or no block carries it.
    if (ChannelNames::inputs().contains(name))
        return !diagram->searchNIM_IN(name, m_tid);
    for (const ChannelNames::Family* family : {&ChannelNames::OUTPUT, &ChannelNames::MSR_CNT}) {
        if (ChannelNames::isChannelName(name, *family)) {
            QStringList free;
            diagram->getFreeList(family->prefix, free, m_tid);
            return free.contains(name);
        }
    }
    return diagram->checkName(name, true);
}

// The last number tried after a channel prefix; -1 for other prefixes.
int PasteRules::lastNumber(const QString& prefix)
{
    for (const ChannelNames::Family* family :
         {&ChannelNames::THRESHOLD_INPUT, &ChannelNames::OUTPUT, &ChannelNames::MSR_CNT}) {
        if (prefix == family->prefix)
            return family->count - 1;
    }
    return -1;
}

void PasteRules::pasteName(QString& name)
{
    // The option and user inputs are one of a kind: a copy keeps its channel (and its role) where
    // that channel is free, else it goes to a threshold input.
    if ((name == ChannelNames::OPTION_INPUT || name == ChannelNames::USER_INPUT) && !isFree(name))
        name = ChannelNames::name(ChannelNames::THRESHOLD_INPUT, 0);
    if (!isFree(name)) {
        QString prefix = name;
        if (!prefix.isEmpty() && prefix.back().isDigit())
            prefix.chop(1);
        // Among as many numbers as there are names in use one is free, unless the prefix is
        // reserved for channels.
        int last = lastNumber(prefix);
        if (last < 0)
            last = m_pDocument->diagram()->allBlocks().size() + m_pasteLabel.size();
        for (int n = 0;; ++n) {
            name = prefix + QString::number(n);
            if (n == last || isFree(name))
                break;
        }
    }
    m_pasteLabel.append(name);
}
