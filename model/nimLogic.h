#pragma once

#include "model/blockItem.h"

#include <QStringList>

// A logic stage: one Boolean output computed by an expression over the operands "_A".."_K"
// (inputs 0..10) with not, and, xor, or (binding in that order, equal levels from the left),
// parentheses and the constants true and false. The expression is the block's settings string.
// Evaluation errors are thrown as QString messages.
class NIMLogic : public BlockItem
{
public:
    enum OPlevel {
        levelEOF = 0,
        levelRight = 1,
        levelOR = 2,
        levelXOR = 3,
        levelAND = 4,
        levelNOT = 5,
        levelLeft = 6
    };
    static constexpr int OPERANDS = 11;
    // Nesting of parentheses and not deeper than this is refused at the token that opens the level
    // too many (tooDeep), so that hostile expressions cannot exhaust the stack.
    static constexpr int MAX_DEPTH = 1000;
    // "invalid at '<token>': nested more than 1000 levels deep"
    static QString tooDeep(const QString& token);

    NIMLogic(int id, int tid, const QString& name, const QString& icon);

    int setPort(int k, BlockItem* src) override;
    QVector<QLine> getLines() const override;
    virtual bool setProperty(QString& expr, bool bCheck);

    // The stored expression evaluated with the operand values; false without an expression.
    // Errors are thrown as the block's resource name, ": " and the message.
    bool isBitON(const bool* bits) const;
    // The same for any block: its settings string is taken as the expression.
    static bool isBitON(const BlockItem* block, const bool* bits);

    // Tokenises and evaluates an expression; throws the message of the first error.
    static bool calc(const QString& expr, const bool* bits);
    // The tokens of an expression, ending with the marker "EOF".
    static QStringList tokenize(const QString& expr);

    // Why an expression is refused and where: the message evaluation gives, and the characters of
    // the token it stopped at (an empty span at the end when the text ended too early).
    struct Diagnosis
    {
        QString message; // empty: the expression is valid
        int start = -1;
        int length = 0;
    };
    static Diagnosis diagnose(const QString& expr);
    static int getOpLevel(const QString& token);
    static const QString& operandName(int k);

private:
    struct Evaluation
    {
        QStringList tokens;
        int pos = 0;
        int depth = 0;
        const bool* bits = nullptr;
    };
    static bool calc(Evaluation& e, int level);
    static bool getArg(Evaluation& e);
    static QString replace(const QString& token, const bool* bits);
};

// Front-end logic, fed by the module's input channels.
class PreLogic : public NIMLogic
{
public:
    PreLogic(int id, int tid, const QString& name);

    // The value for one input-channel word: bit 1 = IN-CH0 .. bit 8 = IN-CH7, bit 9 = IN-OPT,
    // bit 10 = IN-USER; bit 0 is ignored.
    bool isBitON(quint16 in) const;
    static bool isBitON(const BlockItem* block, quint16 in);
    // The operand values of a block for a channel word.
    static void channelOperands(const BlockItem* block, quint16 in, bool* bits);
};

// Back-end logic, fed by the function units.
class PostLogic : public NIMLogic
{
public:
    PostLogic(int id, int tid, const QString& name);
};
