#include "cli/cliContext.h"
#include "cli/commands.h"
#include "io/document.h"
#include "model/truthTable.h"

#include <QJsonArray>

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

// The listed rows: each operand's value in the order of the operands, and the output.
QJsonArray rowsData(const TruthTable& table)
{
    QJsonArray rows;
    for (const TruthTable::Row& row : table.rows()) {
        QJsonArray inputs;
        for (int i = 0; i < table.operands().size(); ++i)
            inputs.append((row.inputs >> i) & 1);
        rows.append(QJsonObject{{"inputs", inputs}, {"output", int(row.output)}});
    }
    return rows;
}
} // namespace

int truthTableCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    const NIMLogic* logic = findLogic(doc->diagram(), args.at(1));
    if (!logic)
        return context.finish(CommandResult::failure(
            CommandResult::NO_SUCH_BLOCK,
            QStringLiteral("%1: no PreLogic or PostLogic block of that name.").arg(args.at(1))));
    const QString expr = logic->getProperty();
    CommandResult result;
    result.data = {{"block", logic->getName()}, {"expression", expr.simplified()}};
    if (expr.isEmpty()) {
        // The register image takes a block without an expression as constant false.
        result.text = QStringLiteral("%1: no expression; the output is always 0.\n").arg(logic->getName());
        result.data.insert("operands", QJsonArray());
        result.data.insert("rows", QJsonArray{QJsonObject{{"inputs", QJsonArray()}, {"output", 0}}});
        result.data.insert("all_rows", true);
        result.data.insert("true_rows", 0);
        result.data.insert("minimal_form", QStringLiteral("false"));
        return context.finish(result);
    }
    const TruthTable table(expr);
    if (!table.isValid())
        return context.finish(
            CommandResult(Verdict::ExpressionError, logic->getName() + ": " + table.error()));
    result.text = logic->getName() + QStringLiteral(": OUT = ") + expr.simplified() + QLatin1Char('\n');
    QJsonArray operands;
    for (int k : table.operands()) {
        const QString net = operandNet(logic, k);
        result.text += NIMLogic::operandName(k) + QStringLiteral(" = ") +
                       (net.isEmpty() ? QStringLiteral("(unconnected)") : net) + QLatin1Char('\n');
        operands.append(QJsonObject{{"operand", NIMLogic::operandName(k)},
                                    {"net", net.isEmpty() ? QJsonValue() : QJsonValue(net)}});
    }
    result.text += table.text();
    result.data.insert("operands", operands);
    result.data.insert("rows", rowsData(table));
    result.data.insert("all_rows", table.listsAllRows());
    result.data.insert("true_rows", table.trueCount());
    result.data.insert("minimal_form", table.minimalForm());
    return context.finish(result);
}
