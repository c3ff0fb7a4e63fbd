#include "cli/cliContext.h"
#include "cli/commands.h"
#include "io/document.h"
#include "model/truthTable.h"

namespace {
const NIMLogic* findLogic(BlockDiagram* diagram, const QString& name)
{
    QVector<const NIMLogic*> blocks;
    for (const PreLogic* p : diagram->preLogics())
        blocks.append(p);
    for (const PostLogic* p : diagram->postLogics())
        blocks.append(p);
    for (const NIMLogic* p : blocks)
        if (p->getName() == name || p->getUserName() == name)
            return p;
    return nullptr;
}
} // namespace

int truthTableCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    const NIMLogic* logic = findLogic(doc->diagram(), args.at(1));
    if (!logic) {
        context.err() << QStringLiteral("%1: no PreLogic or PostLogic block of that name.").arg(args.at(1))
                      << '\n';
        return ExitFailure;
    }
    const QString expr = logic->getProperty();
    if (expr.isEmpty()) {
        // The register image takes a block without an expression as constant false.
        context.out() << QStringLiteral("%1: no expression; the output is always 0.\n").arg(logic->getName());
        return ExitOk;
    }
    const TruthTable table(expr);
    if (!table.isValid()) {
        context.err() << logic->getName() << ": " << table.error() << '\n';
        return ExitNegative;
    }
    context.out() << logic->getName() << ": OUT = " << expr.simplified() << '\n';
    for (int k : table.operands()) {
        const QString net = operandNet(logic, k);
        context.out() << NIMLogic::operandName(k) << " = "
                      << (net.isEmpty() ? QStringLiteral("(unconnected)") : net) << '\n';
    }
    context.out() << table.text();
    return ExitOk;
}
