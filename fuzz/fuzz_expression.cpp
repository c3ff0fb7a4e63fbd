// Evaluates arbitrary text as a logic expression: the first two bytes give the operand values,
// the rest is the expression. Errors must come back as QString messages, never as a crash.
#include "model/nimLogic.h"

#include <QString>

#include <QCoreApplication>

#include <cstdint>

// Blocks hold pixmaps, which need an application object even when nothing is drawn.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_expression";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const quint16 word = quint16(data[0] | data[1] << 8);
    bool bits[NIMLogic::OPERANDS];
    for (int k = 0; k < NIMLogic::OPERANDS; ++k)
        bits[k] = (word >> k) & 1;
    const QString expr = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), int(size - 2));
    NIMLogic::tokenize(expr);
    try {
        NIMLogic::calc(expr, bits);
    } catch (const QString&) {
    }
    PreLogic block(0, 0, QStringLiteral("PreLgc0"));
    QString checked = expr;
    block.setProperty(checked, true);
    block.setPropertyString(expr);
    try {
        PreLogic::isBitON(&block, word);
    } catch (const QString&) {
    }
    return 0;
}
