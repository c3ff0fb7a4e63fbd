#include "model/blockItem.h"

#include "model/blockKinds.h"
#include "model/timeUnits.h"
#include "model/xmlText.h"

#include <QTextStream>

// ---------------------------------------------------------------------------------------------
// Settings-string readers

QString settingsValue(const QString& settings, const QString& key)
{
    if (settings.isEmpty())
        return QString();
    const int keyPos = settings.indexOf(key + QLatin1Char('='));
    if (keyPos < 0)
        return QString();
    const int e1 = settings.indexOf(QLatin1Char('='), keyPos);
    const int start = e1 + 1;
    const int e2 = settings.indexOf(QLatin1Char('='), start);
    if (e2 < 0)
        return settings.mid(start);
    if (start >= e2)
        return QString();
    // The value ends before the last blank in front of the next key.
    for (int i = e2 - 1; i > start; --i) {
        if (settings.at(i) == QLatin1Char(' '))
            return settings.mid(start, i - start);
    }
    return settings.mid(start, e2 - start);
}

// ---------------------------------------------------------------------------------------------
// BlockItem

BlockItem::BlockItem(int id, int tid)
    : m_id(id)
    , m_tid(tid)
{}

BlockItem::~BlockItem()
{
    // Disconnect from every block that still refers to this one.
    const QVector<BlockItem*> targets = m_outPort;
    for (BlockItem* target : targets)
        target->delPort(this);
    const QMap<int, BlockItem*> drivers = m_port;
    for (BlockItem* driver : drivers)
        driver->delOutPort(this);
}

void BlockItem::setLabel(QObject* label)
{
    m_label = label;
}
QObject* BlockItem::getLabel() const
{
    return m_label;
}
void BlockItem::setPosition(const QPoint& pos)
{
    m_pos = pos;
}
QPoint BlockItem::getPosition() const
{
    return m_pos;
}
void BlockItem::setPixmap(const BlockPicture& pixmap)
{
    m_pixmap = pixmap;
}
void BlockItem::setBasePixmap(const BlockPicture& pixmap)
{
    m_basePixmap = pixmap;
}
const BlockPicture& BlockItem::getPixmap() const
{
    return m_pixmap;
}
const BlockPicture& BlockItem::getBasePixmap() const
{
    return m_basePixmap;
}
QString BlockItem::getProperty() const
{
    return m_property;
}
void BlockItem::setPropertyString(const QString& property)
{
    m_property = property;
}

const QVector<BlockItem*>& BlockItem::getOutPort() const
{
    return m_outPort;
}
void BlockItem::setOutPort(BlockItem* target)
{
    m_outPort.append(target);
}
void BlockItem::delOutPort(BlockItem* target)
{
    m_outPort.removeOne(target);
}

int BlockItem::setPort(int k, BlockItem* src)
{
    if (BlockItem* previous = m_port.value(k, nullptr))
        previous->delOutPort(this);
    // A null source disconnects the input: the map never holds null drivers.
    if (!src) {
        m_port.remove(k);
        return k;
    }
    m_port.insert(k, src);
    src->setOutPort(this);
    return k;
}

BlockItem* BlockItem::getPort(int k) const
{
    return m_port.value(k, nullptr);
}
const QMap<int, BlockItem*>& BlockItem::getPort() const
{
    return m_port;
}
void BlockItem::delPort(int k)
{
    m_port.remove(k);
}

void BlockItem::delPort(const QPoint& p)
{
    // getLines() yields one line per connected input in ascending input order.
    const QVector<QLine> lines = getLines();
    int i = 0;
    for (auto it = m_port.begin(); it != m_port.end(); ++it) {
        if (!it.value())
            continue;
        if (i < lines.size() && lines.at(i).p2() == p) {
            m_port.erase(it);
            return;
        }
        ++i;
    }
}

void BlockItem::delPort(const BlockItem* src)
{
    for (auto it = m_port.begin(); it != m_port.end();) {
        if (it.value() == src)
            it = m_port.erase(it);
        else
            ++it;
    }
}

BlockItem* BlockItem::getPort(QPoint p) const
{
    for (BlockItem* driver : m_port) {
        if (driver && driver->getOutPos() == p)
            return driver;
    }
    return nullptr;
}

QString BlockItem::getName() const
{
    return m_name;
}
void BlockItem::setName(const QString& name)
{
    m_name = name;
}

QString BlockItem::getUserName() const
{
    return (m_userName.isEmpty() ? m_name : m_userName).trimmed();
}

void BlockItem::setUserName(const QString& name)
{
    m_userName = name;
    const QString resourceName = m_name;
    addNameStr(name);
    m_name = resourceName;
}

int BlockItem::getTid() const
{
    return m_tid;
}
void BlockItem::setType(const QString& type)
{
    m_type = type;
}
QString BlockItem::getType() const
{
    return m_type;
}

QPoint BlockItem::getOutPos() const
{
    return QPoint(m_pos.x() + m_pixmap.size.width(), m_pos.y() + m_pixmap.size.height() / 2);
}

void BlockItem::setIndex(int id)
{
    m_id = id;
}
int BlockItem::getIndex() const
{
    return m_id;
}

void BlockItem::getInfo(int& id, int& tid, QString& name) const
{
    id = m_id;
    tid = m_tid;
    name = m_name;
}

bool BlockItem::checkPosition(int tid, QPoint p) const
{
    if (tid >= 0 && tid != m_tid)
        return false;
    return p.x() >= m_pos.x() && p.x() <= m_pos.x() + m_pixmap.size.width() && p.y() >= m_pos.y() &&
           p.y() <= m_pos.y() + m_pixmap.size.height();
}

void BlockItem::saveItem(QTextStream& ts, const QString& term, int level) const
{
    const QString outer = indent(level);
    const QString inner = indent(level + 1);
    ts << outer << "<entry term=\"" << xmlEscape(term) << "\">\n";
    ts << inner << "<id>" << m_id << "</id>\n";
    ts << inner << "<name>" << xmlEscape(m_name) << "</name>\n";
    if (!m_userName.isEmpty())
        ts << inner << "<userName>" << xmlEscape(m_userName) << "</userName>\n";
    for (auto it = m_port.constBegin(); it != m_port.constEnd(); ++it) {
        if (it.value())
            ts << inner << "<net port=\"" << it.key() << "\">" << xmlEscape(it.value()->getName())
               << "</net>\n";
    }
    if (!m_property.isEmpty())
        ts << inner << "<property>" << xmlEscape(m_property) << "</property>\n";
    ts << outer << "</entry>\n";
}

QVector<QLine> BlockItem::getLines() const
{
    QVector<QLine> lines;
    const QPoint in(m_pos.x(), m_pos.y() + m_pixmap.size.height() / 2);
    for (BlockItem* driver : m_port) {
        if (driver)
            lines.append(QLine(driver->getOutPos(), in));
    }
    return lines;
}

void BlockItem::getStr(QString& out, const QString& key) const
{
    out = settingsValue(m_property, key);
}
void BlockItem::getMainCntStr(QString& out) const
{
    getStr(out, QStringLiteral("MainCnt"));
}
void BlockItem::getSubCntStr(QString& out) const
{
    getStr(out, QStringLiteral("SubCnt"));
}
void BlockItem::getDisp(QString& out) const
{
    getStr(out, QStringLiteral("Disp"));
}
quint32 BlockItem::cntStrToULong(QString& s) const
{
    return TimeUnits::counterTextToNanoseconds(s);
}

void BlockItem::addNameStr(const QString& text)
{
    if (!text.isEmpty()) {
        m_pixmap = m_basePixmap;
    } else {
        m_basePixmap = m_pixmap;
        m_basePixmap.text.clear();
    }
    drawCentredText(text.isEmpty() ? m_name : text);
}

QString BlockItem::indent(int n) const
{
    return QString(4 * n, QLatin1Char(' '));
}

void BlockItem::loadIcon(const QString& resource)
{
    m_pixmap = BlockPicture::of(resource);
}

void BlockItem::drawCentredText(const QString& text)
{
    m_pixmap.text = text;
    m_pixmap.delay.clear();
    m_pixmap.bold = false;
}

void BlockItem::showDelayCaption(const QString& name, QLatin1String prefix)
{
    m_basePixmap = m_pixmap;
    if (name.contains(QLatin1String("Delay "))) {
        const int pos = name.indexOf(prefix);
        m_name = pos >= 0 ? name.mid(pos) : name;
        drawCentredText(name);
    } else {
        m_name = name;
        addNameStr(name);
    }
}

void BlockItem::drawDelayCaption(const QString& text, const QString& delay)
{
    if (text.isEmpty()) {
        BlockItem::addNameStr(text);
        return;
    }
    m_pixmap = m_basePixmap;
    m_name = text;
    m_pixmap.text = text;
    m_pixmap.delay = delay;
    m_pixmap.bold = false;
}

// ---------------------------------------------------------------------------------------------
// Inputs

NIM_IN::NIM_IN(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/label-IN.png"));
    addNameStr(QString());
}

bool NIM_IN::usesDefaults() const
{
    return m_property.isEmpty() || bUserControl();
}

void NIM_IN::setUserControl()
{
    m_property = QStringLiteral("bUserControl=true");
}

bool NIM_IN::bUserControl() const
{
    if (m_property.isEmpty())
        return m_name == ChannelNames::USER_INPUT;
    return m_property.contains(QLatin1String("bUserControl=true"));
}

bool NIM_IN::bHigh() const
{
    if (usesDefaults())
        return false;
    return m_property.contains(QLatin1String("bHigh=true"));
}

quint16 NIM_IN::getVth() const
{
    if (usesDefaults())
        return DEFAULT_VTH;
    const int keyPos = m_property.indexOf(QLatin1String("Vth="));
    if (keyPos < 0)
        return 0;
    const int eq = m_property.indexOf(QLatin1Char('='), keyPos);
    return m_property.mid(eq + 1).toUShort(nullptr, 10);
}

void NIM_IN::getInputProperty(bool& bUser, bool& bHighOut, quint16& vth) const
{
    if (usesDefaults()) {
        bUser = false;
        bHighOut = false;
        vth = DEFAULT_VTH;
        return;
    }
    bUser = m_property.contains(QLatin1String("bUser=true"));
    bHighOut = m_property.contains(QLatin1String("bHigh=true"));
    vth = getVth();
}

void NIM_IN::setCnt(const QString& main, const QString& sub, const QString& disp)
{
    m_property = QStringLiteral("MainCnt=%2 SubCnt=%3").arg(main, sub);
    if (!disp.isEmpty())
        m_property += QStringLiteral(" Disp=%1").arg(disp);
}

quint32 NIM_IN::getMainCnt() const
{
    QString text;
    getMainCntStr(text);
    return cntStrToULong(text);
}

quint32 NIM_IN::getSubCnt() const
{
    QString text;
    getSubCntStr(text);
    const quint32 v = cntStrToULong(text);
    return v == 0 ? 0 : v - 1;
}

// ---------------------------------------------------------------------------------------------
// Functions

NIMFunction::NIMFunction(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/Function.png"));
    addNameStr(QString());
}

NIMCntFnc::NIMCntFnc(int id, int tid, const QString& name)
    : NIMFunction(id, tid, name)
{}

int NIMCntFnc::getMode(const BlockItem* fnc)
{
    QString mode;
    fnc->getStr(mode, QStringLiteral("Mode"));
    return mode.toInt(nullptr, 10);
}

quint32 NIMCntFnc::getMainCnt(const BlockItem* fnc)
{
    if (fnc->getProperty().isEmpty())
        return DEFAULT_MAIN_CNT;
    QString text;
    fnc->getMainCntStr(text);
    return fnc->cntStrToULong(text);
}

quint32 NIMCntFnc::getSubCnt(const BlockItem* fnc)
{
    if (fnc->getProperty().isEmpty())
        return DEFAULT_SUB_CNT;
    QString text;
    fnc->getSubCntStr(text);
    const quint32 v = fnc->cntStrToULong(text);
    QString modeText;
    fnc->getStr(modeText, QStringLiteral("Mode"));
    // One-shot, oscillator and divider modes count the sub counter from zero.
    const int mode = modeText.toInt(nullptr, 10);
    const bool minusOne =
        modeText.isEmpty() || mode == 0 || mode == 1 || mode == 8 || mode == 9 || mode == 10;
    if (minusOne)
        return v == 0 ? 0 : v - 1;
    return v;
}

NIMDlyFnc::NIMDlyFnc(int id, int tid, const QString& name)
    : NIMFunction(id, tid, name)
{}

int NIMDlyFnc::getDly(const BlockItem* fnc)
{
    const QString property = fnc->getProperty();
    if (!property.startsWith(QLatin1String("Delay=")))
        return 0;
    return TimeUnits::delayTextToNanoseconds(property.mid(property.indexOf(QLatin1Char('=')) + 1));
}

NIMNonFnc::NIMNonFnc(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/NonFnc.png"));
    m_basePixmap = m_pixmap;
}

// ---------------------------------------------------------------------------------------------
// Outputs, measure counters, feedbacks and labels

NIMOut::NIMOut(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    loadIcon(QStringLiteral(":/images/NIMout.png"));
    showDelayCaption(name, ChannelNames::OUTPUT.prefix);
}

void NIMOut::addNameStr(const QString& text)
{
    drawDelayCaption(text, QStringLiteral("Delay 60ns"));
}

void NIMOut::getOutputProperty(bool& bNIM, bool& bTTL) const
{
    if (m_property.isEmpty()) {
        bNIM = true;
        bTTL = false;
        return;
    }
    bNIM = m_property.contains(QLatin1String("bNIM=true"));
    bTTL = m_property.contains(QLatin1String("bTTL=true"));
}

NIMMsrCnt::NIMMsrCnt(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/MsrCnt3.png"));
    addNameStr(QString());
}

quint8 NIMMsrCnt::getMode(const BlockItem* msr)
{
    QString mode;
    msr->getStr(mode, QStringLiteral("Mode"));
    return quint8(mode.toUInt(nullptr, 10));
}

QVector<QLine> NIMMsrCnt::getLines() const
{
    QVector<QLine> lines;
    for (auto it = m_port.constBegin(); it != m_port.constEnd(); ++it) {
        if (it.value())
            lines.append(QLine(it.value()->getOutPos(), QPoint(m_pos.x(), m_pos.y() + 6 + 16 * it.key())));
    }
    return lines;
}

NIMFeedBackIN::NIMFeedBackIN(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    loadIcon(QStringLiteral(":/images/FeedBack.png"));
    showDelayCaption(name, BlockKinds::FEED_BACK);
}

void NIMFeedBackIN::addNameStr(const QString& text)
{
    drawDelayCaption(text, QStringLiteral("Delay 24ns"));
}

NIMLabelIN::NIMLabelIN(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/LabelIN.png"));
    addNameStr(QString());
}

NIMLabel::NIMLabel(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/Label.png"));
    addNameStr(QString());
}

NIMFncLabel::NIMFncLabel(int id, int tid, const QString& name)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/FncLabel.png"));
    addNameStr(QString());
}
