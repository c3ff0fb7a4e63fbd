#include "io/documentReader.h"

#include "io/document.h"
#include "io/documentFile.h"
#include "io/saxhandler.h"
#include "model/blockKinds.h"

namespace {
const QLatin1String TITLE_VEXTOR("Vextor");

// The term of an output of a label or FeedBack signal (the reader makes a NIMLabel or NIMFncLabel).
bool isLabelOutputTerm(const QString& term)
{
    return !isLabelIn(term) && !isFeedBackIn(term) && (isFeedBack(term) || isLabel(term));
}

// A block name as read: trimmed. A name that then starts with a character that is not printable
// could not be read back from a saved file (such text is no value), so it counts as none.
QString blockName(const QString& text)
{
    const QString name = text.trimmed();
    return name.isEmpty() || !name.at(0).isPrint() ? QString() : name;
}
} // namespace

DocumentReader::DocumentReader(Document* document)
    : m_pDocument(document)
{}

bool DocumentReader::load(const QByteArray& data)
{
    m_bSettings = true;
    return parse(data, Mode::Load);
}

bool DocumentReader::reload(const QByteArray& data, bool bSettings)
{
    m_bSettings = bSettings;
    return parse(data, Mode::Reload);
}

void DocumentReader::setPaste(PasteHook* hook, int tid)
{
    m_pPasteHook = hook;
    m_pasteTid = tid;
    m_pasteMap.clear();
    m_checkedNames.clear();
}

bool DocumentReader::check(const QByteArray& data)
{
    return parse(data, Mode::Check);
}

bool DocumentReader::paste(const QByteArray& data)
{
    return parse(data, Mode::Paste);
}

bool DocumentReader::parse(const QByteArray& data, Mode mode)
{
    m_mode = mode;
    const bool bLoad = mode == Mode::Load;
    m_report.messages.clear();
    m_report.errorText.clear();
    m_bStopped = false;
    m_entry = 0;
    if (bLoad) {
        m_pDocument->clear();
        m_report.readOK = true;
    }
    bool ok = false;
    if (data.size() > DocumentFile::MAX_DOCUMENT_SIZE) {
        m_report.errorText = DocumentFile::tooLargeText(data.size());
        warning(TITLE_VEXTOR, m_report.errorText);
        if (bLoad)
            m_report.isEmpty = false;
    } else {
        SaxHandler handler(this);
        handler.checkMode(mode == Mode::Check);
        ok = handler.parse(data);
        m_report.errorText = handler.errorText();
        if (bLoad) {
            m_report.isEmpty = ok && handler.isEmpty();
            if (!ok || m_report.isEmpty) {
                m_pDocument->clear();
                ok = false;
            } else {
                // The sheet in view after a load is the first one.
                m_pDocument->labels()->setCurrentTab(0);
            }
        }
    }
    m_pDocument->m_lastRead = m_report;
    return ok;
}

void DocumentReader::setConnectionSettings(const InfoOstrum& info)
{
    // A paste brings blocks only, whatever else the text holds; a reload brings the settings
    // when asked to.
    if (m_mode == Mode::Check || m_mode == Mode::Paste || !m_bSettings)
        return;
    InfoOstrum& settings = m_pDocument->info();
    const QString fpga = settings.strFPGA;
    settings = info;
    settings.strFPGA = fpga;
}

void DocumentReader::addTab(int id, const QString& name)
{
    if (m_mode == Mode::Check || m_mode == Mode::Paste)
        return;
    if (id < 0 || id >= MAX_SHEETS) {
        m_report.readOK = false;
        return;
    }
    // A reload keeps the sheets there are.
    while (m_mode == Mode::Load && id >= m_pDocument->sheetCount())
        m_pDocument->newSheet();
    if (id >= m_pDocument->sheetCount()) {
        m_report.readOK = false;
        return;
    }
    if (m_pDocument->sheetName(id) != name)
        m_pDocument->setSheetName(id, name);
}

void DocumentReader::warning(const QString& title, const QString& text)
{
    m_report.messages.append(qMakePair(title, text));
    m_pDocument->tell(title, text);
}

bool DocumentReader::checkEntry(const QString& item, const QString& name)
{
    // The check pass of a paste only learns the names the pasted blocks will get.
    if (m_pPasteHook) {
        QString newName = name;
        m_pPasteHook->pasteItem(item, newName);
        if (newName != name || isFeedBackIn(item))
            m_pasteMap.insert(name, newName);
        m_checkedNames.append(newName);
    }
    return true;
}

bool DocumentReader::addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck)
{
    if (m_bStopped)
        return true;
    bool isNumber = false;
    int id = info.value(QStringLiteral("id")).toInt(&isNumber);
    if (!isNumber)
        id = -1;
    if (id < 0 || item.isEmpty())
        return false;
    QString name = blockName(info.value(QStringLiteral("name")));
    if (bCheck)
        return checkEntry(item, name);

    QString term = item;
    if (m_mode == Mode::Paste) {
        tid = m_pasteTid;
        // The names are those the check pass gave: blocks made by this pass (the outputs of a
        // pasted FeedBack signal before its block) must not make them differ.
        const QString checked = m_checkedNames.value(m_entry++, name);
        id = m_pPasteHook ? m_pPasteHook->pasteItem(item, name) : -1;
        name = checked;
        if (id < 0) {
            warning(TITLE_VEXTOR, QStringLiteral("There's not enough space."));
            m_bStopped = true;
            return true;
        }
        // An output of a label or FeedBack signal pasted along with it continues the copy.
        if (isLabelOutputTerm(item) && m_pasteMap.contains(name)) {
            const QString copied = m_pasteMap.value(name);
            term.replace(name, copied);
            name = copied;
        }
        // One input per channel on a sheet.
        if (isInput(item) && m_pDocument->diagram()->searchNIM_IN(name, tid)) {
            warning(TITLE_VEXTOR, QStringLiteral("There is no more Input resource."));
            return true;
        }
    } else {
        if (!m_pDocument->sheet(tid)) {
            // An entry outside any usable sheet has nowhere to go.
            m_report.readOK = false;
            return true;
        }
        m_pDocument->labels()->setCurrentTab(tid);
    }
    SheetModel* target = m_pDocument->sheet(tid);
    if (!target)
        return true;

    BlockItem* block = makeBlock(term, id, tid, name);
    if (!block)
        return true;
    if (!target->addItem(block->getType(), block)) {
        discard(block, term);
        m_report.readOK = false;
        return true;
    }
    const QString userName = info.value(QStringLiteral("userName"));
    if (!userName.isEmpty()) {
        block->setUserName(userName);
        if (mentions(item, BlockKinds::FEED_BACK) || isLabel(item))
            m_pDocument->labels()->rename(block->getName(), userName);
    }
    const QString property = info.contains(QStringLiteral("property"))
                                 ? info.value(QStringLiteral("property"))
                                 : info.value(QStringLiteral("logic"));
    if (!property.isEmpty())
        block->setPropertyString(property);
    connectPorts(item, block, tid, info);
    m_pDocument->notePlaced(tid, block);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Blocks by term

BlockItem* DocumentReader::makeBlock(const QString& item, int id, int tid, const QString& name)
{
    ResourceCounters* counters = m_pDocument->counters();
    const QString kind = ResourceCounters::paletteUnit(item);
    if (!kind.isEmpty() && !counters->addCount(-1, kind)) {
        m_report.readOK = false;
        return nullptr;
    }
    BlockItem* block = createBlock(item, id, tid, name);
    if (!block && !kind.isEmpty())
        counters->addCount(1, kind);
    return block;
}

BlockItem* DocumentReader::createBlock(const QString& item, int id, int tid, const QString& name)
{
    BlockDiagram& d = *m_pDocument->diagram();
    BlockItem* block = nullptr;
    QString type = item;
    // First matching row wins. An empty name (a damaged file) takes the next automatic one.
    if (isPreLogic(item)) {
        block = name.isEmpty() ? d.createPreLogic(id, tid) : d.createPreLogic(id, tid, name);
    } else if (isPostLogic(item)) {
        block = name.isEmpty() ? d.createPostLogic(id, tid) : d.createPostLogic(id, tid, name);
    } else if (isCntFnc(item)) {
        block = name.isEmpty() ? d.createCntFnc(id, tid) : d.createFunction(id, tid, name);
    } else if (isDlyFnc(item)) {
        block = name.isEmpty() ? d.createDlyFnc(id, tid) : d.createFunction(id, tid, name);
    } else if (isNonFnc(item)) {
        block = d.createNonFnc(id, tid, name);
    } else if (isLabelIn(item)) {
        block = name.isEmpty() ? d.createNIMLabelIN(id, tid) : d.createNIMLabelIN(id, tid, name);
    } else if (isOutput(item)) {
        block = channelBlock(ChannelNames::OUTPUT, id, tid, name);
        if (block)
            type = block->getName();
    } else if (isMsrCnt(item)) {
        block = channelBlock(ChannelNames::MSR_CNT, id, tid, name.trimmed());
        if (block)
            type = block->getName();
    } else if (isFeedBackIn(item)) {
        block = name.isEmpty() ? d.createFeedBackIN(id, tid) : d.createFeedBackIN(id, tid, name);
    } else if (isFeedBack(item) || isPreLabel(item)) {
        block = d.createNIMLabel(id, tid, name);
    } else if (isLabel(item)) {
        block = d.createNIMFncLabel(id, tid, name);
    } else if (isInput(item)) {
        block = d.createInput(id, tid, name);
        if (!block)
            warning(TITLE_VEXTOR, QStringLiteral("There is no more Input resource."));
    }
    if (block)
        block->setType(type);
    return block;
}

BlockItem* DocumentReader::channelBlock(const ChannelNames::Family& family, int id, int tid,
                                        const QString& name)
{
    BlockDiagram& d = *m_pDocument->diagram();
    const bool isOut = &family == &ChannelNames::OUTPUT;
    BlockItem* block = isOut ? d.createOut(id, tid, name) : d.createMsrCnt(id, tid, name);
    if (!block || ChannelNames::isChannelName(block->getName(), family))
        return block;
    // A damaged entry names no channel of its family ("FeedBack0" under an output term). Its kind
    // follows its name, so it would come back as another kind of block: it takes the next free
    // channel instead, and the load reports that a setting was ignored.
    d.deleteItem(block);
    m_report.readOK = false;
    return isOut ? d.createOut(id, tid) : d.createMsrCnt(id, tid);
}

void DocumentReader::discard(BlockItem* block, const QString& item)
{
    const QString kind = ResourceCounters::paletteUnit(item);
    if (!kind.isEmpty())
        m_pDocument->counters()->addCount(1, kind);
    m_pDocument->labels()->forgetItem(block);
    m_pDocument->diagram()->deleteItem(block);
}

// ---------------------------------------------------------------------------------------------
// Wires

void DocumentReader::connectPorts(const QString& term, BlockItem* block, int tid,
                                  const QMap<QString, QString>& info)
{
    // Inputs and label outputs carry a signal from outside the sheet; they have no input port.
    const bool hasInputs = !isLabelOutput(block) && !dynamic_cast<NIM_IN*>(block);
    for (auto it = info.constBegin(); it != info.constEnd(); ++it) {
        bool isPort = false;
        const int port = it.key().toInt(&isPort);
        if (!isPort)
            continue;
        // A logic block takes a negative key as its lowest free input (NIMLogic::setPort).
        const bool bNegativeOk = dynamic_cast<NIMLogic*>(block) != nullptr;
        if (!hasInputs || (port < 0 && !bNegativeOk) || port >= NIMLogic::OPERANDS) {
            m_report.readOK = false;
            continue;
        }
        // Block names are trimmed when read, so the names in nets are too.
        const QString source = blockName(it.value());
        if (source.isEmpty()) {
            m_report.readOK = false;
            continue;
        }
        connectPort(term, block, tid, port,
                    m_mode == Mode::Paste ? m_pasteMap.value(source, source) : source);
    }
}

bool DocumentReader::countRouting(const QString& term, const BlockItem* source)
{
    const QString unit = ResourceCounters::routingUnit(term, source);
    return unit.isEmpty() || m_pDocument->counters()->addCount(-1, unit);
}

void DocumentReader::connectPort(const QString& term, BlockItem* block, int tid, int port,
                                 const QString& source)
{
    const BlockDiagram& d = *m_pDocument->diagram();
    BlockItem* src = nullptr;
    int at = port;
    if (isPreLogic(term)) {
        src = d.searchNIM_IN(source, tid);
        if (!src)
            src = m_pDocument->addNIM_IN(tid, source);
        if (!src) {
            m_report.readOK = false; // no input slot left on the sheet
            return;
        }
    } else if (isPostLogic(term) || isFncLabelIn(term)) {
        src = d.searchFunction(source, tid);
        if (!src)
            src = d.searchLabel(source, tid);
    } else if (isFunction(term) || isPreLabelIn(term)) {
        src = d.searchPreLogic(source, tid);
        // A function-side label output feeds the PostLogic column, not a function.
        if (!src && !dynamic_cast<NIMFncLabel*>(d.searchLabel(source, tid)))
            src = d.searchLabel(source, tid);
        at = 0;
        if (!src)
            return;
        // A function has one input; a second source would leave its routing unit counted twice.
        if (block->getPort(0) || !countRouting(term, src)) {
            m_report.readOK = false;
            return;
        }
    } else if (isMsrCnt(term)) {
        src = d.searchPostLogic(source, tid);
    } else {
        src = d.searchPostLogic(source, tid);
        at = 0;
    }
    if (src && block->setPort(at, src) < 0)
        m_report.readOK = false;
}
