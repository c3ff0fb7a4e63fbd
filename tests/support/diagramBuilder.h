#pragma once

#include "model/blockDiagram.h"
#include "model/blockKinds.h"
#include "model/imageCapture.h"

// Builds diagrams on sheet 0 as the editor does: each block typed with its kind, given its
// settings and wired from its drivers (driver k to input k; null drivers are skipped).
class DiagramBuilder
{
public:
    explicit DiagramBuilder(BlockDiagram& d)
        : m_d(d)
    {}

    template<typename T>
    static T* setUp(T* block, const QString& type, const QString& settings = QString(),
                    const QVector<BlockItem*>& drivers = {})
    {
        block->setType(type);
        if (!settings.isEmpty())
            block->setPropertyString(settings);
        for (int k = 0; k < drivers.size(); ++k) {
            if (drivers.at(k))
                block->setPort(k, drivers.at(k));
        }
        return block;
    }

    // The input of a channel, made on first use.
    NIM_IN* input(const QString& channel, const QString& settings = QString())
    {
        NIM_IN* in = m_d.searchNIM_IN(channel, 0);
        return in ? in : setUp(m_d.createInput(0, 0, channel), BlockKinds::INPUT, settings);
    }
    // A PreLogic whose inputs 0, 1, ... are fed by these channels (empty names skipped).
    PreLogic* pre(const QString& expr, const QStringList& channels = {})
    {
        QVector<BlockItem*> inputs;
        for (const QString& channel : channels)
            inputs.append(channel.isEmpty() ? nullptr : input(channel));
        return setUp(m_d.createPreLogic(0, 0), BlockKinds::PRE_LOGIC, expr, inputs);
    }
    PostLogic* post(const QString& expr, const QVector<BlockItem*>& inputs = {})
    {
        return setUp(m_d.createPostLogic(0, 0), BlockKinds::POST_LOGIC, expr, inputs);
    }
    BlockItem* cnt(const QString& settings = QString(), BlockItem* source = nullptr)
    {
        return setUp(m_d.createCntFnc(0, 0), BlockKinds::CNT_FNC, settings, {source});
    }
    BlockItem* dly(const QString& settings = QString(), BlockItem* source = nullptr)
    {
        return setUp(m_d.createDlyFnc(0, 0), BlockKinds::DLY_FNC, settings, {source});
    }
    BlockItem* non(BlockItem* source = nullptr)
    {
        return setUp(m_d.createNonFnc(0, 0), BlockKinds::NON_FNC, QString(), {source});
    }
    BlockItem* feedBack(BlockItem* source = nullptr)
    {
        return setUp(m_d.createFeedBackIN(0, 0), BlockKinds::FEED_BACK, QString(), {source});
    }
    BlockItem* labelIn(BlockItem* source = nullptr)
    {
        return setUp(m_d.createNIMLabelIN(0, 0), BlockKinds::LABEL, QString(), {source});
    }
    // The next free output channel (or the one named), typed by its name.
    BlockItem* out(BlockItem* source = nullptr, const QString& settings = QString(),
                   const QString& channel = QString())
    {
        BlockItem* b = m_d.createOut(0, 0, channel);
        return setUp(b, b->getName(), settings, {source});
    }
    BlockItem* msr(const QString& settings, BlockItem* gate = nullptr, BlockItem* src = nullptr,
                   const QString& counter = QString())
    {
        BlockItem* b = m_d.createMsrCnt(0, 0, counter);
        return setUp(b, b->getName(), settings, {gate, src});
    }

private:
    BlockDiagram& m_d;
};
