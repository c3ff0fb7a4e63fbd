#include "io/document.h"

#include "io/saxhandler.h"
#include "model/blockKinds.h"
#include "model/outputFile.h"
#include "model/xmlText.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

namespace {
const QLatin1String TITLE_VEXTOR("Vextor");

bool definesLabel(const BlockItem* block)
{
    return isFeedBackIn(block) || isLabelIn(block);
}

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

// Attribute values also lose tabs and line breaks to the parser's normalisation unless they are
// written as character references.
QString attributeText(const QString& text)
{
    QString out = xmlEscape(text);
    out.replace(QLatin1Char('\t'), QLatin1String("&#9;"));
    out.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    out.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    return out;
}
} // namespace

Document::Document(QObject* parent)
    : QObject(parent)
    , m_diagram(std::make_unique<BlockDiagram>(&m_labels))
    , m_infoOstrum(InfoOstrum::defaults(true))
{
    clear();
}

Document::~Document() = default;

// ---------------------------------------------------------------------------------------------
// Sheets

void Document::setSheetName(int id, const QString& name)
{
    if (id < 0 || id >= m_sheetNames.size())
        return;
    m_sheetNames[id] = name;
    emit sheetRenamed(id, name);
}

int Document::newSheet()
{
    // Raise the number once for every sheet that already carries the candidate name.
    QHash<QString, int> names;
    for (const QString& name : qAsConst(m_sheetNames))
        ++names[name];
    int k = 1;
    while (const int same = names.value(QStringLiteral("Sheet%1").arg(k)))
        k += same;
    const int id = m_sheets.size();
    m_sheets.append(std::make_shared<SheetModel>(id));
    m_sheetNames.append(QStringLiteral("Sheet%1").arg(k));
    emit sheetAdded(id);
    return id;
}

void Document::removeSheet(int id)
{
    if (id < 0 || id >= m_sheets.size())
        return;
    if (m_sheets.size() == 1) {
        clear();
        return;
    }
    // The sheet's blocks go, and with its label and FeedBack blocks every output of them on other
    // sheets. Re-reading the rest settles counters, labels and wires and renumbers the sheets.
    QSet<QString> definedHere;
    for (BlockItem* block : m_diagram->allBlocks()) {
        if (block->getTid() == id && definesLabel(block))
            definedHere.insert(block->getName());
    }
    QSet<const BlockItem*> skip;
    for (BlockItem* block : m_diagram->allBlocks()) {
        if (block->getTid() != id && isLabelOutput(block) && definedHere.contains(block->getName()))
            skip.insert(block);
    }
    QByteArray data;
    {
        QTextStream ts(&data, QIODevice::WriteOnly);
        write(ts, id, skip);
    }
    emit sheetRemoved(id);
    parseFile(data);
}

void Document::clear()
{
    m_labels.clearEntry();
    m_labels.setCurrentTab(0);
    m_diagram->clearEntry();
    m_counters.init();
    m_sheets.clear();
    m_sheets.append(std::make_shared<SheetModel>(0));
    m_sheetNames = QStringList{QStringLiteral("Sheet1")};
    emit cleared();
}

// ---------------------------------------------------------------------------------------------
// Reading

QString Document::tooLargeText(qint64 size)
{
    const QString length =
        size < 0 ? QStringLiteral("more than %1").arg(MAX_DOCUMENT_SIZE) : QString::number(size);
    return tr("The file is %1 bytes long; a Vextor document is at most %2 bytes. It is not read.")
        .arg(length)
        .arg(MAX_DOCUMENT_SIZE);
}

Document::FileRead Document::readFile(const QString& fileName, QByteArray& data, QString* error)
{
    data.clear();
    QFile file(fileName);
    if (!file.exists()) {
        *error = tr("%1: No such file or directory.").arg(fileName);
        return FileRead::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("Cannot read file %1:\n%2.").arg(fileName, file.errorString());
        return FileRead::Unreadable;
    }
    // A device or a pipe tells no size: reading one byte past the limit tells.
    if (!file.isSequential() && file.size() > MAX_DOCUMENT_SIZE) {
        *error = fileName + QStringLiteral(": ") + tooLargeText(file.size());
        return FileRead::TooLarge;
    }
    data = file.read(qint64(MAX_DOCUMENT_SIZE) + 1);
    if (data.size() > MAX_DOCUMENT_SIZE) {
        data.clear();
        *error = fileName + QStringLiteral(": ") + tooLargeText(-1);
        return FileRead::TooLarge;
    }
    if (file.error() != QFileDevice::NoError) {
        data.clear();
        *error = tr("Cannot read file %1:\n%2.").arg(fileName, file.errorString());
        return FileRead::Unreadable;
    }
    return FileRead::Read;
}

bool Document::parseFile(const QByteArray& data)
{
    return parse(data, false);
}

bool Document::parseCheck(const QByteArray& data)
{
    return parse(data, true);
}

bool Document::parse(const QByteArray& data, bool bCheck)
{
    const bool bLoad = !bCheck && !m_bPaste;
    m_messages.clear();
    m_errorText.clear();
    m_bStopped = false;
    if (bLoad) {
        clear();
        m_bReadOK = true;
    }
    if (data.size() > MAX_DOCUMENT_SIZE) {
        m_errorText = tooLargeText(data.size());
        warning(TITLE_VEXTOR, m_errorText);
        if (bLoad)
            m_isEmpty = false;
        return false;
    }
    SaxHandler handler(this);
    handler.checkMode(bCheck);
    const bool ok = handler.parse(data);
    m_errorText = handler.errorText();
    if (!bLoad)
        return ok;
    m_isEmpty = ok && handler.isEmpty();
    if (!ok || m_isEmpty) {
        clear();
        return false;
    }
    // The sheet in view after a load is the first one.
    m_labels.setCurrentTab(0);
    return true;
}

void Document::setConnectionSettings(const InfoOstrum& info)
{
    // A paste brings blocks only, whatever else the text holds.
    if (m_bPaste)
        return;
    const QString fpga = m_infoOstrum.strFPGA;
    m_infoOstrum = info;
    m_infoOstrum.strFPGA = fpga;
}

void Document::addTab(int id, const QString& name)
{
    if (m_bPaste)
        return;
    if (id < 0 || id >= MAX_SHEETS) {
        m_bReadOK = false;
        return;
    }
    while (id >= sheetCount())
        newSheet();
    setSheetName(id, name);
}

void Document::warning(const QString& title, const QString& text)
{
    m_messages.append(qMakePair(title, text));
    emit messageRaised(title, text);
}

bool Document::addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck)
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

    if (bCheck) {
        // The check pass of a paste only learns the names the pasted blocks will get.
        if (m_pPasteHook) {
            QString newName = name;
            m_pPasteHook->pasteItem(item, newName);
            if (newName != name || isFeedBackIn(item))
                m_pasteMap.insert(name, newName);
        }
        return true;
    }

    QString term = item;
    if (m_bPaste) {
        tid = m_pasteTid;
        id = m_pPasteHook ? m_pPasteHook->pasteItem(item, name) : -1;
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
        if (isInput(item) && m_diagram->searchNIM_IN(name, tid)) {
            warning(TITLE_VEXTOR, QStringLiteral("There is no more Input resource."));
            return true;
        }
    } else {
        if (!sheet(tid)) {
            // An entry outside any usable sheet has nowhere to go.
            m_bReadOK = false;
            return true;
        }
        m_labels.setCurrentTab(tid);
    }
    SheetModel* target = sheet(tid);
    if (!target)
        return true;

    BlockItem* block = addItem(term, id, tid, name, QPoint());
    if (!block)
        return true;
    if (!target->addItem(block->getType(), block)) {
        discard(block, term);
        m_bReadOK = false;
        return true;
    }
    const QString userName = info.value(QStringLiteral("userName"));
    if (!userName.isEmpty()) {
        block->setUserName(userName);
        if (mentions(item, BlockKinds::FEED_BACK) || isLabel(item))
            m_labels.rename(block->getName(), userName);
    }
    const QString property = info.contains(QStringLiteral("property"))
                                 ? info.value(QStringLiteral("property"))
                                 : info.value(QStringLiteral("logic"));
    if (!property.isEmpty())
        block->setPropertyString(property);
    connectPorts(item, block, tid, info);
    notePlaced(tid, block);
    return true;
}

BlockItem* Document::addItem(const QString& item, int id, int tid, const QString& name, QPoint)
{
    const QString kind = ResourceCounters::paletteUnit(item);
    if (!kind.isEmpty() && !m_counters.addCount(-1, kind)) {
        m_bReadOK = false;
        return nullptr;
    }
    BlockItem* block = createBlock(item, id, tid, name);
    if (!block && !kind.isEmpty())
        m_counters.addCount(1, kind);
    return block;
}

BlockItem* Document::createBlock(const QString& item, int id, int tid, const QString& name)
{
    BlockDiagram& d = *m_diagram;
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

BlockItem* Document::channelBlock(const ChannelNames::Family& family, int id, int tid, const QString& name)
{
    BlockDiagram& d = *m_diagram;
    const bool isOut = &family == &ChannelNames::OUTPUT;
    BlockItem* block = isOut ? d.createOut(id, tid, name) : d.createMsrCnt(id, tid, name);
    if (!block || ChannelNames::isChannelName(block->getName(), family))
        return block;
    // A damaged entry names no channel of its family ("FeedBack0" under an output term). Its kind
    // follows its name, so it would come back as another kind of block: it takes the next free
    // channel instead, and the load reports that a setting was ignored.
    d.deleteItem(block);
    m_bReadOK = false;
    return isOut ? d.createOut(id, tid) : d.createMsrCnt(id, tid);
}

void Document::discard(BlockItem* block, const QString& item)
{
    const QString kind = ResourceCounters::paletteUnit(item);
    if (!kind.isEmpty())
        m_counters.addCount(1, kind);
    m_labels.forgetItem(block);
    m_diagram->deleteItem(block);
}

BlockItem* Document::addNIM_IN(int tid, const QString& name)
{
    SheetModel* target = sheet(tid);
    if (!target)
        return nullptr;
    QMap<int, BlockItem*>& inputs = target->column(SheetModel::InputColumn);
    const int slot = SheetModel::searchIndex(inputs, SheetModel::SMALL_ITEM_HEIGHT, 0, 1);
    if (slot < 0)
        return nullptr;
    NIM_IN* input = m_diagram->createInput(slot, tid, name);
    if (!input)
        return nullptr;
    input->setType(BlockKinds::INPUT);
    // Inputs made on a sheet stand at the sheet's own margin, not at the document one.
    input->setPosition(QPoint(SheetModel::X0, SheetModel::Y_MARGIN_1 + SheetModel::SMALL_ITEM_HEIGHT * slot));
    inputs.insert(slot, input);
    emit blockPlaced(tid, input);
    return input;
}

void Document::insertItem(int tid, SheetModel::Column column, int slot, int y0, BlockItem* block)
{
    SheetModel* target = sheet(tid);
    if (!target)
        return;
    block->setIndex(slot);
    block->setPosition(QPoint(SheetModel::columnX(column), y0 + slot * SheetModel::columnPitch(column)));
    target->column(column).insert(slot, block);
    notePlaced(tid, block);
}

void Document::removeBlock(BlockItem* block)
{
    const int tid = block->getTid();
    if (SheetModel* home = sheet(tid))
        home->remove(block);
    m_labels.forgetItem(block);
    emit blockRemoved(tid, block);
    m_diagram->deleteItem(block);
}

bool Document::placeItem(int tid, const QString& type, BlockItem* block)
{
    SheetModel* target = sheet(tid);
    if (!target || !target->addItem(type, block))
        return false;
    notePlaced(tid, block);
    return true;
}

void Document::notePlaced(int tid, BlockItem* block)
{
    if (isFeedBackIn(block)) {
        // Its output may already stand in this sheet's PreLogic column (written before it).
        for (const BlockItem* b : sheet(tid)->column(SheetModel::PreLogicColumn)) {
            if (b->getType() == block->getName()) {
                m_labels.setUsed(block->getName(), true, tid);
                break;
            }
        }
    } else if (isLabelOutput(block)) {
        m_labels.setUsed(block->getName(), true, tid);
    }
    emit blockPlaced(tid, block);
}

// ---------------------------------------------------------------------------------------------
// Names shared by every sheet

void Document::setUserName(BlockItem* block, const QString& userName)
{
    block->setUserName(userName);
    emit blockChanged(block);
}

void Document::renameInput(const QString& name, const QString& userName)
{
    for (NIM_IN* input : m_diagram->inputs()) {
        if (input->getName() == name)
            setUserName(input, userName);
    }
}

void Document::renameLabel(const QString& name, const QString& userName)
{
    m_labels.rename(name, userName);
    // One output per sheet, and the defining block among the output column's blocks.
    for (BlockItem* output : m_diagram->labels()) {
        if (output->getName() == name)
            setUserName(output, userName);
    }
    for (BlockItem* block : m_diagram->outs()) {
        if (block->getName() == name) {
            setUserName(block, userName);
            break;
        }
    }
}

void Document::editInput(BlockItem* input, const QString& newName)
{
    QString userName = input->getUserName();
    for (const NIM_IN* other : m_diagram->inputs()) {
        if (other == input || other->getName() != newName)
            continue;
        if (userName != newName)
            renameInput(newName, userName);
        else
            userName = other->getUserName();
        break;
    }
    setUserName(input, userName);
    input->setName(newName);
}

void Document::deleteLabel(const QString& name)
{
    const QVector<BlockItem*> outputs = m_diagram->labels();
    for (BlockItem* output : outputs) {
        if (output->getName() == name)
            deleteLabelOutput(output);
    }
    m_labels.deleteLabel(name);
}

void Document::deleteLabelOutput(BlockItem* block)
{
    // Its wires into functions held routing units.
    for (const BlockItem* target : block->getOutPort()) {
        const QString unit = ResourceCounters::routingUnit(target->getType(), block);
        if (!unit.isEmpty())
            m_counters.addCount(1, unit);
    }
    removeBlock(block);
}

// ---------------------------------------------------------------------------------------------
// Wires

void Document::connectPorts(const QString& term, BlockItem* block, int tid,
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
            m_bReadOK = false;
            continue;
        }
        // Block names are trimmed when read, so the names in nets are too.
        const QString source = blockName(it.value());
        if (source.isEmpty()) {
            m_bReadOK = false;
            continue;
        }
        connectPort(term, block, tid, port, m_bPaste ? m_pasteMap.value(source, source) : source);
    }
}

bool Document::countRouting(const QString& term, const BlockItem* source)
{
    const QString unit = ResourceCounters::routingUnit(term, source);
    return unit.isEmpty() || m_counters.addCount(-1, unit);
}

void Document::connectPort(const QString& term, BlockItem* block, int tid, int port, const QString& source)
{
    BlockItem* src = nullptr;
    int at = port;
    if (isPreLogic(term)) {
        src = m_diagram->searchNIM_IN(source, tid);
        if (!src)
            src = addNIM_IN(tid, source);
        if (!src) {
            m_bReadOK = false; // no input slot left on the sheet
            return;
        }
    } else if (isPostLogic(term) || isFncLabelIn(term)) {
        src = m_diagram->searchFunction(source, tid);
        if (!src)
            src = m_diagram->searchLabel(source, tid);
    } else if (isFunction(term) || isPreLabelIn(term)) {
        src = m_diagram->searchPreLogic(source, tid);
        // A function-side label output feeds the PostLogic column, not a function.
        if (!src && !dynamic_cast<NIMFncLabel*>(m_diagram->searchLabel(source, tid)))
            src = m_diagram->searchLabel(source, tid);
        at = 0;
        if (!src)
            return;
        // A function has one input; a second source would leave its routing unit counted twice.
        if (block->getPort(0) || !countRouting(term, src)) {
            m_bReadOK = false;
            return;
        }
    } else if (isMsrCnt(term)) {
        src = m_diagram->searchPostLogic(source, tid);
    } else {
        src = m_diagram->searchPostLogic(source, tid);
        at = 0;
    }
    if (src && block->setPort(at, src) < 0)
        m_bReadOK = false;
}

// ---------------------------------------------------------------------------------------------
// Writing

void Document::dump(QTextStream& ts) const
{
    write(ts, -1, {});
}

QByteArray Document::toXml() const
{
    QByteArray data;
    {
        QTextStream ts(&data, QIODevice::WriteOnly);
        dump(ts);
    }
    return data;
}

bool Document::saveFile(const QString& fileName, QString* errorString) const
{
    OutputFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream ts(&file.device());
        dump(ts);
        ts.flush();
        if (file.commit())
            return true;
    }
    *errorString = file.errorString();
    return false;
}

void Document::write(QTextStream& ts, int skipSheet, const QSet<const BlockItem*>& skip) const
{
    ts.setCodec("UTF-8");
    ts << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    ts << "<Vextor3 addr=\"" << attributeText(m_infoOstrum.strAddr) << "\" tcpPort=\"" << m_infoOstrum.tcpPort
       << "\" udpPort=\"" << m_infoOstrum.udpPort << "\" Timeout=\"" << m_infoOstrum.timeout
       << "\" autoConnect=\"" << (m_infoOstrum.bStart ? "true" : "false") << "\">\n";
    int out = 0;
    for (int i = 0; i < m_sheets.size(); ++i) {
        if (i == skipSheet)
            continue;
        ts << "    <tab id=\"" << out++ << "\" name=\"" << attributeText(m_sheetNames.value(i)) << "\">\n";
        m_sheets.at(i)->save(ts, 2, skip);
        ts << "    </tab>\n";
    }
    ts << "</Vextor3>\n";
}

void Document::beginPaste(PasteHook* hook, int tid)
{
    m_pPasteHook = hook;
    m_pasteTid = tid;
    m_pasteMap.clear();
    m_bPaste = true;
}

void Document::endPaste()
{
    m_pPasteHook = nullptr;
    m_pasteMap.clear();
    m_bPaste = false;
}
