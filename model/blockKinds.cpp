#include "model/blockKinds.h"

#include "model/blockItem.h"

using namespace BlockKinds;

KindOf::KindOf(const BlockItem* block)
    : m_type(block ? block->getType() : QString())
{}

bool isInput(const KindOf& kind)
{
    return kind.type() == INPUT;
}

bool isPreLogic(const KindOf& kind)
{
    return kind.type() == PRE_LOGIC;
}

bool isPostLogic(const KindOf& kind)
{
    return kind.type() == POST_LOGIC;
}

bool isLogicBlock(const KindOf& kind)
{
    return kind.type().indexOf(LOGIC, 1) > 0;
}

bool isCntFnc(const KindOf& kind)
{
    return kind.type() == CNT_FNC;
}

bool isDlyFnc(const KindOf& kind)
{
    return kind.type() == DLY_FNC;
}

bool isNonFnc(const KindOf& kind)
{
    return kind.type() == NON_FNC;
}

bool isFunction(const KindOf& kind)
{
    return isCntFnc(kind) || isDlyFnc(kind) || isNonFnc(kind);
}

bool isOutput(const KindOf& kind)
{
    return kind.type().startsWith(ChannelNames::OUTPUT.prefix);
}

bool isMsrCnt(const KindOf& kind)
{
    return kind.type().startsWith(ChannelNames::MSR_CNT.prefix);
}

bool isFeedBackIn(const KindOf& kind)
{
    return kind.type() == FEED_BACK;
}

bool isFeedBack(const KindOf& kind)
{
    return kind.type().startsWith(FEED_BACK);
}

bool isLabelIn(const KindOf& kind)
{
    return isFncLabelIn(kind) || isPreLabelIn(kind);
}

bool isPreLabelIn(const KindOf& kind)
{
    return kind.type() == PRE_LABEL;
}

bool isFncLabelIn(const KindOf& kind)
{
    return kind.type() == LABEL;
}

bool isLabel(const KindOf& kind)
{
    return kind.type().contains(LABEL);
}

bool isPreLabel(const KindOf& kind)
{
    return kind.type().contains(PRE_LABEL);
}

bool mentions(const KindOf& kind, QLatin1String word)
{
    return kind.type().contains(word);
}

bool beginsWith(const KindOf& kind, QLatin1String word)
{
    return kind.type().startsWith(word);
}

bool isLabelOutput(const BlockItem* block)
{
    return dynamic_cast<const NIMLabel*>(block) || dynamic_cast<const NIMFncLabel*>(block);
}

bool hasSettings(const KindOf& kind)
{
    return isInput(kind) || isPreLogic(kind) || isPostLogic(kind) || isCntFnc(kind) || isDlyFnc(kind) ||
           isMsrCnt(kind) || isOutput(kind);
}

bool isRenamable(const KindOf& kind)
{
    return hasSettings(kind) || isLabelIn(kind) || isFeedBackIn(kind);
}

bool isFeedBackName(const QString& name)
{
    return name.contains(FEED_BACK);
}

bool isLabelName(const QString& name)
{
    return name.startsWith(LABEL);
}

bool isCrossSheetName(const QString& name)
{
    return isFeedBackName(name) || name.contains(LABEL);
}

bool isInputName(const QString& name)
{
    return name.startsWith(ChannelNames::INPUT_PREFIX);
}
