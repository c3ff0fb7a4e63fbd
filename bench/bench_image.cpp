// Times the register image of a maximal diagram through the literal evaluation of every table
// entry and through the compiled tables, and checks that both give the same bytes.

#include "model/blockDiagram.h"
#include "model/imageCapture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>

namespace {
// A long expression over all eleven operands; `shift` rotates the operand letters so that every
// block has its own function.
QString longExpression(int shift)
{
    static const char* const shape = "( %0 and not %1 or %2 xor %3 ) and ( %4 or %5 and not %6 ) xor "
                                     "( %7 and %8 or not %9 ) or %10 and %0 xor not ( %1 or %2 and %4 ) or "
                                     "( ( %5 xor %7 ) and not ( %8 or %10 ) ) xor %3 and %6 or not %9";
    QString expr = QLatin1String(shape);
    for (int k = 10; k >= 0; --k)
        expr.replace(QStringLiteral("%%1").arg(k), NIMLogic::operandName((k + shift) % NIMLogic::OPERANDS));
    return expr;
}

void buildMaximalDiagram(BlockDiagram& d)
{
    QVector<NIM_IN*> inputs;
    for (const QString& name : d.inputNames()) {
        NIM_IN* in = d.createInput(0, 0, name);
        in->setType(QStringLiteral("Input"));
        inputs.append(in);
    }
    QVector<PreLogic*> pre;
    for (int n = 0; n < 14; ++n) {
        PreLogic* logic = d.createPreLogic(0, 0);
        logic->setType(QStringLiteral("PreLogic"));
        logic->setPropertyString(longExpression(n));
        for (int k = 0; k < inputs.size(); ++k)
            logic->setPort((k + n) % NIMLogic::OPERANDS, inputs.at(k));
        pre.append(logic);
    }
    QVector<BlockItem*> feedbacks;
    for (int n = 0; n < 8; ++n) {
        BlockItem* fb = d.createFeedBackIN(0, 0);
        fb->setType(QStringLiteral("FeedBack"));
        feedbacks.append(fb);
    }
    // Four counters (two of them fed back), four delays and three pass-throughs: all 11 slots.
    QVector<BlockItem*> functions;
    for (int n = 0; n < 11; ++n) {
        BlockItem* f;
        if (n < 4) {
            f = d.createCntFnc(0, 0);
            f->setType(QStringLiteral("CntFnc"));
            f->setPropertyString(QStringLiteral("Mode=%1 MainCnt=1.5usec SubCnt=200nsec").arg(n));
            f->setPort(0, n < 2 ? feedbacks.at(n) : static_cast<BlockItem*>(pre.at(n)));
        } else if (n < 8) {
            f = d.createDlyFnc(0, 0);
            f->setType(QStringLiteral("DlyFnc"));
            f->setPropertyString(QStringLiteral("Delay=%1ns").arg(100 * n));
            f->setPort(0, pre.at(n));
        } else {
            f = d.createNonFnc(0, 0);
            f->setType(QStringLiteral("NonFnc"));
            f->setPort(0, pre.at(n));
        }
        functions.append(f);
    }
    QVector<PostLogic*> post;
    for (int n = 0; n < 11; ++n) {
        PostLogic* logic = d.createPostLogic(0, 0);
        logic->setType(QStringLiteral("PostLogic"));
        logic->setPropertyString(longExpression(n + 3));
        for (int k = 0; k < functions.size(); ++k)
            logic->setPort((k + n) % NIMLogic::OPERANDS, functions.at(k));
        post.append(logic);
    }
    for (int ch = 0; ch < 8; ++ch) {
        BlockItem* out = d.createOut(0, 0);
        out->setType(out->getName());
        out->setPort(0, post.at(ch));
        feedbacks.at(ch)->setPort(0, post.at((ch + 3) % post.size()));
    }
    for (int m = 0; m < 4; ++m) {
        BlockItem* msr = d.createMsrCnt(0, 0);
        msr->setType(msr->getName());
        msr->setPort(0, post.at(m));
        msr->setPort(1, post.at(m + 5));
    }
}

// The best of `reps` runs, in milliseconds.
double best(int reps, const std::function<void()>& run)
{
    double bestMs = 1e300;
    for (int r = 0; r < reps; ++r) {
        QElapsedTimer timer;
        timer.start();
        run();
        bestMs = qMin(bestMs, double(timer.nsecsElapsed()) / 1e6);
    }
    return bestMs;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    BlockDiagram d;
    buildMaximalDiagram(d);

    ImageCapture literal;
    ImageCapture compiled;
    const double literalMs = best(3, [&] {
        literal.clear();
        d.downloadLiteral(&literal);
    });
    const double compiledMs = best(50, [&] {
        compiled.clear();
        d.download(&compiled);
    });

    if (literal.bytes() != compiled.bytes()) {
        out << "images differ\n";
        return 1;
    }
    int active = 0;
    for (const ImageCapture::Byte& b : compiled.bytes())
        active += b.first >= BlockDiagram::REG_FRONTEND_LUT_BEGIN && b.second ? 1 : 0;
    out << "image: " << compiled.bytes().size() << " bytes, " << active
        << " non-zero table bytes, identical\n";
    out << QStringLiteral("literal:  %1 ms\n").arg(literalMs, 0, 'f', 3);
    out << QStringLiteral("compiled: %1 ms\n").arg(compiledMs, 0, 'f', 3);
    out << QStringLiteral("ratio:    %1x\n").arg(literalMs / compiledMs, 0, 'f', 1);
    return 0;
}
