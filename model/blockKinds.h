#pragma once

#include "model/channelNames.h"

class BlockItem;

// Block kinds. Every block carries a kind string as its type (getType()), and documents carry the
// same strings as entry terms; outputs and measure counters carry their channel name
// ("OUT-CH3", "MsrCnt1"). The strings stay exactly as documents have always written them. The
// questions the program asks about a kind are answered here, once; each says how it matches.
namespace BlockKinds {
inline constexpr QLatin1String INPUT = latin1("Input");
inline constexpr QLatin1String PRE_LOGIC = latin1("PreLogic");
inline constexpr QLatin1String POST_LOGIC = latin1("PostLogic");
inline constexpr QLatin1String CNT_FNC = latin1("CntFnc");
inline constexpr QLatin1String DLY_FNC = latin1("DlyFnc");
inline constexpr QLatin1String NON_FNC = latin1("NonFnc");
// The FeedBack block; its outputs on the PreLogic side carry "FeedBack" + number.
inline constexpr QLatin1String FEED_BACK = latin1("FeedBack");
// Label-in of a function result (PostLogic column); also the word every label kind holds.
inline constexpr QLatin1String LABEL = latin1("Label");
// Label-in of a PreLogic result (function column); its outputs carry "PreLabel" + number.
inline constexpr QLatin1String PRE_LABEL = latin1("PreLabel");
inline constexpr QLatin1String LOGIC = latin1("Logic");

// Resource-name prefixes of the kinds whose names differ from the kind string; counters, delays,
// pass-throughs, FeedBacks and label-ins are named by their kind string plus a number.
inline constexpr QLatin1String PRE_LOGIC_NAME = latin1("PreLgc");
inline constexpr QLatin1String POST_LOGIC_NAME = latin1("PstLgc");
} // namespace BlockKinds

// What a kind question reads: a type string, or a block's type (empty for no block).
class KindOf
{
public:
    KindOf(const QString& type)
        : m_type(type)
    {}
    KindOf(const BlockItem* block);

    const QString& type() const { return m_type; }

private:
    QString m_type;
};

bool isInput(const KindOf& kind);     // "Input"
bool isPreLogic(const KindOf& kind);  // "PreLogic"
bool isPostLogic(const KindOf& kind); // "PostLogic"
// PreLogic and PostLogic: "Logic" after the first character.
bool isLogicBlock(const KindOf& kind);
bool isCntFnc(const KindOf& kind); // "CntFnc"
bool isDlyFnc(const KindOf& kind); // "DlyFnc"
bool isNonFnc(const KindOf& kind); // "NonFnc"
// A function unit: counter, delay or pass-through.
bool isFunction(const KindOf& kind);
bool isOutput(const KindOf& kind); // begins "OUT-CH"
bool isMsrCnt(const KindOf& kind); // begins "MsrCnt"
// The FeedBack block itself: exactly "FeedBack".
bool isFeedBackIn(const KindOf& kind);
// A FeedBack signal, the block or one of its outputs: begins "FeedBack".
bool isFeedBack(const KindOf& kind);
// Where a label is defined: "Label" or "PreLabel".
bool isLabelIn(const KindOf& kind);
bool isPreLabelIn(const KindOf& kind); // "PreLabel"
bool isFncLabelIn(const KindOf& kind); // "Label"
// Any label block, in or out: "Label" anywhere.
bool isLabel(const KindOf& kind);
// A label of a PreLogic result, in or out: "PreLabel" anywhere.
bool isPreLabel(const KindOf& kind);

// Looser forms that some rules use: the kind holds a kind word anywhere, or begins with it
// ("FeedBack", "Logic", "CntFnc" ...). On the kinds the program writes they agree with the
// questions above; they differ only on foreign terms read from a file, where each rule keeps its
// own form.
bool mentions(const KindOf& kind, QLatin1String word);
bool beginsWith(const KindOf& kind, QLatin1String word);

// A label output (NIMLabel or NIMFncLabel), told by its class: its type is the drag payload or
// term it was made from.
bool isLabelOutput(const BlockItem* block);

// --- What the user may do with a block
// A block with a settings dialog (Edit, double-click): inputs, logic stages, counters, delays,
// measure counters and outputs.
bool hasSettings(const KindOf& kind);
// A block the user may give a name: those with settings, label inputs and FeedBack blocks.
bool isRenamable(const KindOf& kind);

// --- Resource names
// A FeedBack signal's name, block or output: "FeedBack" anywhere. The label panel keeps these
// apart from the labels.
bool isFeedBackName(const QString& name);
// A label's name: begins "Label".
bool isLabelName(const QString& name);
// A signal carried between sheets, FeedBack or label: "FeedBack" or "Label" anywhere.
bool isCrossSheetName(const QString& name);
// An input channel's name: begins "IN-".
bool isInputName(const QString& name);
