#include "operations/documentReports.h"

#include "model/blockDiagram.h"
#include "model/truthTable.h"

DrcLines DrcLines::of(const QString& report)
{
    static const QString ERROR = QStringLiteral("error: ");
    static const QString WARNING = QStringLiteral("warning: ");
    DrcLines drc;
    drc.lines = report.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : qAsConst(drc.lines)) {
        if (line.startsWith(ERROR))
            drc.errors.append(line.mid(ERROR.size()));
        else if (line.startsWith(WARNING))
            drc.warnings.append(line.mid(WARNING.size()));
    }
    return drc;
}

const NIMLogic* LogicBlockTable::find(const BlockDiagram& diagram, const QString& name)
{
    QVector<const NIMLogic*> blocks;
    for (const PreLogic* p : diagram.preLogics())
        blocks.append(p);
    for (const PostLogic* p : diagram.postLogics())
        blocks.append(p);
    for (const NIMLogic* p : blocks)
        if (p->getName() == name || p->getUserName() == name)
            return p;
    return nullptr;
}

LogicBlockTable LogicBlockTable::of(const NIMLogic& logic)
{
    LogicBlockTable t;
    t.block = logic.getName();
    const QString expr = logic.getProperty();
    t.expression = expr.simplified();
    if (expr.isEmpty()) {
        // The register image takes a block without an expression as constant false.
        t.text = QStringLiteral("%1: no expression; the output is always 0.\n").arg(t.block);
        t.rows.append(Row());
        t.minimalForm = QStringLiteral("false");
        return t;
    }
    const TruthTable table(expr);
    if (!table.isValid()) {
        t.error = t.block + QStringLiteral(": ") + table.error();
        return t;
    }
    t.text = t.block + QStringLiteral(": OUT = ") + t.expression + QLatin1Char('\n');
    for (int k : table.operands()) {
        const QString net = operandNet(&logic, k);
        t.text += NIMLogic::operandName(k) + QStringLiteral(" = ") +
                  (net.isEmpty() ? QStringLiteral("(unconnected)") : net) + QLatin1Char('\n');
        t.operands.append({NIMLogic::operandName(k), net});
    }
    t.text += table.text();
    for (const TruthTable::Row& row : table.rows()) {
        Row listed;
        for (int i = 0; i < table.operands().size(); ++i)
            listed.inputs.append((row.inputs >> i) & 1);
        listed.output = int(row.output);
        t.rows.append(listed);
    }
    t.allRows = table.listsAllRows();
    t.trueRows = table.trueCount();
    t.minimalForm = table.minimalForm();
    return t;
}
