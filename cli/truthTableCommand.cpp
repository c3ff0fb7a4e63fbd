#include "cli/cliContext.h"
#include "cli/commands.h"
#include "io/document.h"
#include "operations/documentReports.h"

#include <QJsonArray>

int truthTableCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    const NIMLogic* logic = LogicBlockTable::find(*doc->diagram(), args.at(1));
    if (!logic)
        return context.finish(CommandResult::failure(
            CommandResult::NO_SUCH_BLOCK,
            QStringLiteral("%1: no PreLogic or PostLogic block of that name.").arg(args.at(1))));
    const LogicBlockTable table = LogicBlockTable::of(*logic);
    if (!table.error.isEmpty())
        return context.finish(CommandResult(Verdict::ExpressionError, table.error));
    QJsonArray operands;
    for (const LogicBlockTable::Operand& operand : table.operands)
        operands.append(QJsonObject{{"operand", operand.name},
                                    {"net", operand.net.isEmpty() ? QJsonValue() : QJsonValue(operand.net)}});
    QJsonArray rows;
    for (const LogicBlockTable::Row& row : table.rows) {
        QJsonArray inputs;
        for (int value : row.inputs)
            inputs.append(value);
        rows.append(QJsonObject{{"inputs", inputs}, {"output", row.output}});
    }
    CommandResult result;
    result.text = table.text;
    result.data = {{"block", table.block},
                   {"expression", table.expression},
                   {"operands", operands},
                   {"rows", rows},
                   {"all_rows", table.allRows},
                   {"true_rows", table.trueRows},
                   {"minimal_form", table.minimalForm}};
    return context.finish(result);
}
