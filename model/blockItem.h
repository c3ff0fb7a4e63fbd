#pragma once

#include "model/blockPicture.h"

#include <QLine>
#include <QMap>
#include <QPoint>
#include <QString>
#include <QVector>

class QObject;
class QTextStream;

// One block of a diagram: a fixed hardware resource of the module (input, logic stage, function
// unit, output, measure counter, feedback path) or a sheet-to-sheet label. Blocks refer to each
// other through their input ports and fan-out lists but own nothing; the BlockDiagram owns them.
//
// Every block carries one settings string of blank-separated key=value tokens. The readers never
// fail: a missing or unparsable value yields the documented default.
class BlockItem
{
public:
    BlockItem(int id, int tid);
    virtual ~BlockItem();

    BlockItem(const BlockItem&) = delete;
    BlockItem& operator=(const BlockItem&) = delete;

    // The view that shows the block on its sheet (the canvas owns it; null while none does).
    virtual void setLabel(QObject* label);
    virtual QObject* getLabel() const;
    virtual void setPosition(const QPoint& pos);
    virtual QPoint getPosition() const;
    // The picture as shown (with its texts) and the picture without texts.
    virtual void setPixmap(const BlockPicture& pixmap);
    virtual void setBasePixmap(const BlockPicture& pixmap);
    virtual const BlockPicture& getPixmap() const;
    virtual const BlockPicture& getBasePixmap() const;
    virtual QString getProperty() const;

    // Fan-out: every block this block's output drives, one entry per connection.
    virtual const QVector<BlockItem*>& getOutPort() const;
    virtual void setOutPort(BlockItem* target);
    virtual void delOutPort(BlockItem* target);

    // Input ports: index to driving block.
    virtual int setPort(int k, BlockItem* src);
    virtual BlockItem* getPort(int k) const;
    virtual const QMap<int, BlockItem*>& getPort() const;
    virtual void delPort(int k);
    virtual void delPort(const QPoint& p);
    virtual void delPort(const BlockItem* src);
    virtual BlockItem* getPort(QPoint p) const;

    virtual QString getName() const;
    virtual void setName(const QString& name);
    virtual QString getUserName() const;
    virtual void setUserName(const QString& name);
    virtual int getTid() const;
    virtual void setType(const QString& type);
    virtual QString getType() const;
    virtual QPoint getOutPos() const;
    virtual void setIndex(int id);
    virtual int getIndex() const;
    virtual void getInfo(int& id, int& tid, QString& name) const;
    virtual bool checkPosition(int tid, QPoint p) const;
    virtual void saveItem(QTextStream& ts, const QString& term, int indent) const;
    virtual QVector<QLine> getLines() const;
    virtual void getStr(QString& out, const QString& key) const;
    virtual void getMainCntStr(QString& out) const;
    virtual void getSubCntStr(QString& out) const;
    virtual void getDisp(QString& out) const;
    virtual quint32 cntStrToULong(QString& s) const;

    // Replaces the whole settings string (the settings dialogs write complete strings).
    void setPropertyString(const QString& property);
    // The raw user name as stored (empty when the resource name is shown).
    QString storedUserName() const { return m_userName; }

    // The size of the block's picture: its extent on the sheet.
    QSize iconSize() const { return m_pixmap.size; }

protected:
    virtual void addNameStr(const QString& text);
    virtual QString indent(int n) const;

    // Shows the picture with this resource path, without texts.
    void loadIcon(const QString& resource);
    // Shows text centred on the picture, clear of its ports and marks.
    void drawCentredText(const QString& text);
    // Outputs and FeedBacks show their fixed delay in front of the name. A legacy name carries
    // that text already ("Delay 60ns  OUT-CH0"): it is drawn as it is, and the resource name is
    // the part from the prefix on.
    void showDelayCaption(const QString& name, QLatin1String prefix);
    // Shows the fixed delay at the left, past the input port, and text centred in the rest; an
    // empty text shows the resource name.
    void drawDelayCaption(const QString& text, const QString& delay);

    int m_id;
    int m_tid;
    QObject* m_label = nullptr;
    QPoint m_pos;
    QString m_type;
    QString m_name;
    QString m_userName;
    QString m_property;
    BlockPicture m_pixmap;
    BlockPicture m_basePixmap;
    QMap<int, BlockItem*> m_port;
    QVector<BlockItem*> m_outPort;
};

// Module input channel ("IN-CH0".."IN-CH7", "IN-OPT", "IN-USER").
class NIM_IN : public BlockItem
{
public:
    static constexpr quint16 DEFAULT_VTH = 1720;

    NIM_IN(int id, int tid, const QString& name);

    virtual void setUserControl();
    virtual bool bUserControl() const;
    virtual void getInputProperty(bool& bUser, bool& bHigh, quint16& vth) const;
    virtual bool bHigh() const;
    virtual quint16 getVth() const;
    virtual void setCnt(const QString& main, const QString& sub, const QString& disp);
    virtual quint32 getMainCnt() const;
    virtual quint32 getSubCnt() const;

private:
    bool usesDefaults() const;
};

// Function unit (counter or delay); the kind is carried by the type string and the name prefix.
class NIMFunction : public BlockItem
{
public:
    NIMFunction(int id, int tid, const QString& name);
};

// Counter-function accessors, applied to any function block of that kind.
class NIMCntFnc : public NIMFunction
{
public:
    static constexpr quint32 DEFAULT_MAIN_CNT = 5;
    static constexpr quint32 DEFAULT_SUB_CNT = 4;

    NIMCntFnc(int id, int tid, const QString& name);

    static int getMode(const BlockItem* fnc);
    static quint32 getMainCnt(const BlockItem* fnc);
    static quint32 getSubCnt(const BlockItem* fnc);
};

// Delay-function accessor, applied to any function block of that kind.
class NIMDlyFnc : public NIMFunction
{
public:
    NIMDlyFnc(int id, int tid, const QString& name);

    static int getDly(const BlockItem* fnc);
};

// Pass-through function (no timing); draws no text.
class NIMNonFnc : public BlockItem
{
public:
    NIMNonFnc(int id, int tid, const QString& name);
};

// Module output channel. Accepts a legacy name holding a stored "Delay " display text.
class NIMOut : public BlockItem
{
public:
    NIMOut(int id, int tid, const QString& name);

    virtual void getOutputProperty(bool& bNIM, bool& bTTL) const;

protected:
    void addNameStr(const QString& text) override;
};

// Measure counter: input 0 is GATE, input 1 is SRC.
class NIMMsrCnt : public BlockItem
{
public:
    NIMMsrCnt(int id, int tid, const QString& name);

    static quint8 getMode(const BlockItem* msr);
    QVector<QLine> getLines() const override;
};

// Feedback path from the back end to the function units. Accepts a legacy "Delay " name.
class NIMFeedBackIN : public BlockItem
{
public:
    NIMFeedBackIN(int id, int tid, const QString& name);

protected:
    void addNameStr(const QString& text) override;
};

// Label sink: a signal enters a label here.
class NIMLabelIN : public BlockItem
{
public:
    NIMLabelIN(int id, int tid, const QString& name);
};

// Label source: the same-named signal reappears here (PreLogic column).
class NIMLabel : public BlockItem
{
public:
    NIMLabel(int id, int tid, const QString& name);
};

// Label source for a function output (function column).
class NIMFncLabel : public BlockItem
{
public:
    NIMFncLabel(int id, int tid, const QString& name);
};

// The value of key in a settings string: the text after "key=" up to the blank before the next
// "=", or to the end of the string for the last key. Empty when absent.
QString settingsValue(const QString& settings, const QString& key);
