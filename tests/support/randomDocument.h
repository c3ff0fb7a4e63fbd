#pragma once

#include "io/document.h"
#include "model/blockKinds.h"
#include "tests/support/randomLogic.h"

// A random but valid document built through the model as the editor builds one: every kind of
// block, wires within the editor's rules, labels and FeedBack signals across sheets, names with
// markup characters, logic expressions (one in three documents with a damaged one) and settings
// of every kind, some of them random text.
class RandomDocument
{
public:
    RandomDocument(Document& doc, quint32 seed)
        : m_doc(doc)
        , m_gen(seed)
    {}

    void build()
    {
        InfoOstrum& info = m_doc.info();
        info.strAddr = text();
        info.tcpPort = quint16(m_gen.below(65536));
        info.udpPort = quint16(m_gen.below(65536));
        info.timeout = 1 + m_gen.below(60); // in range; a time-out of 0 reads back as 1
        info.bStart = chance(50);
        const int sheets = 1 + m_gen.below(3);
        for (int s = 0; s < sheets; ++s) {
            if (s > 0)
                m_doc.newSheet();
            if (chance(50))
                m_doc.setSheetName(s, text());
        }
        for (int s = 0; s < sheets; ++s)
            fillSheet(s);
        if (m_logic.isEmpty() || m_gen.below(3) > 0)
            return;
        BlockItem* b = pick(m_logic);
        QStringList tokens = RandomLogic::tokensOf(b->getProperty());
        m_gen.mutate(tokens);
        // A text that starts with white space other than blanks is no value a file can hold.
        const QString damaged = m_gen.join(tokens);
        if (!damaged.isEmpty() && damaged.at(0).isPrint())
            b->setPropertyString(damaged);
    }

    RandomLogic::Generator& generator() { return m_gen; }
    template<typename T> T pick(const QVector<T>& v)
    {
        return v.isEmpty() ? T() : v.at(m_gen.below(v.size()));
    }

private:
    QString text()
    {
        static const QString alphabet = QStringLiteral("abcXYZ019 <>&\"'=_-.\u00e4\u2192");
        QString out;
        for (int n = 1 + m_gen.below(12); n > 0; --n)
            out += alphabet.at(m_gen.below(alphabet.size()));
        return out;
    }

    bool chance(int percent) { return m_gen.chance(percent); }

    QString settings(const QString& type)
    {
        static const QStringList inputs{"", "bUser=false bHigh=true Vth=900",
                                        "bUser=true bHigh=false Vth=3000", "bUserControl=true",
                                        "MainCnt=1.5usec SubCnt=20nsec"};
        static const QStringList outputs{"", "bNIM=true bTTL=false ", "bNIM=false bTTL=true "};
        if (isLogicBlock(type))
            return chance(5) ? QString() : m_gen.join(expression());
        if (chance(15))
            return text();
        if (isInput(type))
            return inputs.at(m_gen.below(inputs.size()));
        if (isCntFnc(type))
            return QString("Mode=%1 MainCnt=%2usec SubCnt=%3nsec")
                .arg(m_gen.below(11))
                .arg(m_gen.below(1000))
                .arg(m_gen.below(1000));
        if (isDlyFnc(type))
            return QString("Delay=%1ns").arg(m_gen.below(70000));
        if (isOutput(type))
            return outputs.at(m_gen.below(outputs.size()));
        if (isMsrCnt(type))
            return QString("Mode=%1 FileSave=false PATH=/tmp").arg(m_gen.below(16));
        return QString();
    }

    QStringList expression()
    {
        QStringList tokens;
        m_gen.valid(tokens, 1 + m_gen.below(4));
        return tokens;
    }

    // Creates a block in a free slot of the column; an empty type means the block's own name.
    template<typename Create> BlockItem* place(int tid, SheetModel::Column c, QString type, Create create)
    {
        BlockItem* b = create(SheetModel::searchIndex(m_doc.sheet(tid)->column(c), SheetModel::columnPitch(c),
                                                      m_gen.below(4), 1));
        if (type.isEmpty())
            type = b->getName();
        b->setType(type);
        if (!m_doc.placeItem(tid, type, b))
            qFatal("no room for a generated block");
        if (chance(40))
            b->setUserName(text());
        b->setPropertyString(settings(type));
        return b;
    }

    void wire(BlockItem* b, int ports, const QVector<BlockItem*>& from, int percent)
    {
        for (int k = 0; k < ports && !from.isEmpty(); ++k) {
            if (chance(percent))
                b->setPort(k, pick(from));
        }
    }

    void fillSheet(int tid)
    {
        BlockDiagram* d = m_doc.diagram();
        ResourceCounters* counters = m_doc.counters();
        QVector<BlockItem*> inputs, pre, fns, post;
        for (const QString& name : d->inputNames()) {
            if (chance(40))
                inputs << place(tid, SheetModel::InputColumn, BlockKinds::INPUT,
                                [&](int s) { return d->createInput(s, tid, name); });
        }
        for (int i = m_gen.below(4); i > 0; --i) {
            pre << place(tid, SheetModel::PreLogicColumn, BlockKinds::PRE_LOGIC,
                         [&](int s) { return d->createPreLogic(s, tid); });
            wire(pre.last(), NIMLogic::OPERANDS, inputs, 30);
        }
        m_logic += pre;
        const QVector<BlockItem*> logic = pre;
        // Outputs of FeedBack signals and labels defined on earlier sheets (or this one).
        for (const QString& name : m_feedbacks + m_preLabels) {
            if (chance(40))
                pre << place(tid, SheetModel::PreLogicColumn,
                             m_feedbacks.contains(name) ? name : "Pre" + name,
                             [&](int s) { return d->createNIMLabel(s, tid, name); });
        }
        for (int i = m_gen.below(5); i > 0; --i) {
            const QString kind = pick(QVector<QString>{"CntFnc", "DlyFnc", "NonFnc"});
            if (!counters->addCount(-1, kind))
                continue;
            BlockItem* b = place(tid, SheetModel::FunctionColumn, kind, [&](int s) {
                return isCntFnc(kind)   ? d->createCntFnc(s, tid)
                       : isDlyFnc(kind) ? d->createDlyFnc(s, tid)
                                        : d->createNonFnc(s, tid, QString("NonFnc%1").arg(m_nonFnc++));
            });
            if (!pre.isEmpty() && chance(70)) {
                BlockItem* src = pick(pre);
                const bool feedback = isFeedBack(src);
                if ((isNonFnc(kind) && !feedback) ||
                    counters->addCount(-1, feedback ? ResourceCounters::FEED_BACK_INFO
                                                    : ResourceCounters::PRE_LOGIC_INFO))
                    b->setPort(0, src);
            }
            fns << b;
        }
        if (!logic.isEmpty() && chance(50)) {
            BlockItem* b = place(tid, SheetModel::FunctionColumn, BlockKinds::PRE_LABEL,
                                 [&](int s) { return d->createNIMLabelIN(s, tid); });
            b->setPort(0, pick(logic));
            m_preLabels << b->getName();
        }
        for (const QString& name : m_labels) {
            if (chance(40))
                fns << place(tid, SheetModel::FunctionColumn, name,
                             [&](int s) { return d->createNIMFncLabel(s, tid, name); });
        }
        for (int i = m_gen.below(4); i > 0; --i) {
            post << place(tid, SheetModel::PostLogicColumn, BlockKinds::POST_LOGIC,
                          [&](int s) { return d->createPostLogic(s, tid); });
            wire(post.last(), NIMLogic::OPERANDS, fns, 25);
        }
        m_logic += post;
        if (!fns.isEmpty() && chance(50)) {
            BlockItem* b = place(tid, SheetModel::PostLogicColumn, BlockKinds::LABEL,
                                 [&](int s) { return d->createNIMLabelIN(s, tid); });
            b->setPort(0, pick(fns));
            m_labels << b->getName();
        }
        for (int i = m_gen.below(4); i > 0; --i) {
            const int what = m_gen.below(3);
            if (!counters->addCount(-1, what == 0 ? "OUT-CH" : what == 1 ? "MsrCnt" : "FeedBack"))
                continue;
            BlockItem* b = place(tid, SheetModel::OutputColumn, what == 2 ? "FeedBack" : "", [&](int s) {
                return what == 0   ? d->createOut(s, tid)
                       : what == 1 ? d->createMsrCnt(s, tid)
                                   : d->createFeedBackIN(s, tid);
            });
            if (what == 2)
                m_feedbacks << b->getName();
            wire(b, what == 1 ? 2 : 1, post, 70);
        }
    }

    Document& m_doc;
    RandomLogic::Generator m_gen;
    QStringList m_feedbacks, m_preLabels, m_labels;
    QVector<BlockItem*> m_logic;
    int m_nonFnc = 0; // automatic pass-through names may repeat once renamed
};
