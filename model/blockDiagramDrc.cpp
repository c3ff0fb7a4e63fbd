#include "model/blockDiagram.h"
#include "model/blockKinds.h"
#include "model/timeUnits.h"

#include <QFileInfo>
#include <QTextDocument>

// Design rule check: every block must be wired and configured well enough to be compiled.
// Findings are collected per kind (errors, warnings) in check order; the report lists all errors
// first, then all warnings.

namespace {

class DrcReport
{
public:
    void error(const QString& name, const QString& rule)
    {
        m_errors += QLatin1String("error: ") + name + rule + QLatin1Char('\n');
        ++m_nErrors;
    }
    void warning(const QString& name, const QString& rule)
    {
        m_warnings += QLatin1String("warning: ") + name + rule + QLatin1Char('\n');
    }

    QString text() const
    {
        const QString all = m_errors + m_warnings;
        return all.isEmpty() ? QStringLiteral("No error detected.") : all;
    }
    // The number of errors; -1 when there are only warnings; 0 when nothing was found.
    int verdict() const
    {
        if (m_nErrors > 0)
            return m_nErrors;
        return m_warnings.isEmpty() ? 0 : -1;
    }

private:
    QString m_errors;
    QString m_warnings;
    int m_nErrors = 0;
};

// How a measure counter logs its values: "FileSave" is "1"/"true" (on), "0"/"false" (off), or any
// other non-empty text, which means on and names the unit itself.
struct LoggingSettings
{
    bool bSave = false;
    QString unit;
    QString path;
};

LoggingSettings readLogging(const BlockItem* msr)
{
    LoggingSettings log;
    QString fileSave;
    msr->getStr(fileSave, QStringLiteral("FileSave"));
    if (fileSave == QLatin1String("1") || fileSave == QLatin1String("true")) {
        log.bSave = true;
    } else if (fileSave == QLatin1String("0") || fileSave == QLatin1String("false")) {
        log.bSave = false;
    } else if (!fileSave.isEmpty()) {
        log.bSave = true;
        log.unit = fileSave;
    }
    if (log.unit.isEmpty())
        msr->getStr(log.unit, QStringLiteral("Unit"));
    msr->getStr(log.path, QStringLiteral("PATH"));
    return log;
}

int modeValue(const BlockItem* block)
{
    QString mode;
    block->getStr(mode, QStringLiteral("Mode"));
    return mode.toInt(nullptr, 10);
}

bool connected(const BlockItem* block, int port)
{
    return block->getPort(port) != nullptr;
}

void checkOutPort(const BlockItem* block, DrcReport& report)
{
    if (block->getOutPort().isEmpty())
        report.warning(block->getUserName(), QLatin1String(": Outport is not connected."));
}

// PreLogic and PostLogic: every operand used must be wired, every wired input should be used.
void checkLogic(const BlockItem* logic, DrcReport& report)
{
    if (!isLogicBlock(logic))
        return;
    const QString name = logic->getUserName();
    checkOutPort(logic, report);
    const QString expr = logic->getProperty();
    if (expr.isEmpty()) {
        report.error(name, QLatin1String(" is unconfigured."));
        return;
    }
    for (int i = 0; i < NIMLogic::OPERANDS; ++i) {
        const QString& operand = NIMLogic::operandName(i);
        const bool used = expr.contains(operand);
        if (!used && connected(logic, i))
            report.warning(name,
                           QLatin1String(": ") + operand + QLatin1String(" is connected, but not used."));
        else if (used && !connected(logic, i))
            report.error(name, QLatin1String(": ") + operand + QLatin1String(" is not connected."));
    }
}

void checkFunction(const BlockItem* fnc, DrcReport& report)
{
    checkOutPort(fnc, report);
    if (isLabel(fnc))
        return;
    // The free-running oscillator needs no source.
    if (isCntFnc(fnc) && NIMCntFnc::getMode(fnc) == 9) {
        if (connected(fnc, 0))
            report.warning(fnc->getUserName(), QLatin1String(": InputPort is connected, but not used."));
    } else if (!connected(fnc, 0)) {
        report.error(fnc->getUserName(), QLatin1String(": InputPort is not connected."));
    }
}

void checkMeasureCounter(const BlockItem* msr, DrcReport& report)
{
    const QString name = msr->getUserName();
    int mode = 0;
    if (!msr->getProperty().isEmpty()) {
        const LoggingSettings log = readLogging(msr);
        if (log.bSave && !QFileInfo(log.path).isDir())
            report.error(name, QLatin1String(": Save path does not exist."));
        mode = modeValue(msr);
    }
    // Mode bits 0..1 select a gate, bits 2..3 a source.
    if ((mode & 3) == 0 && connected(msr, 0))
        report.warning(name, QLatin1String(": GATE is connected, but not used."));
    else if ((mode & 3) != 0 && !connected(msr, 0))
        report.error(name, QLatin1String(": GATE is not connected."));
    if ((mode & 12) == 0 && connected(msr, 1))
        report.warning(name, QLatin1String(": SRC is connected, but not used."));
    else if ((mode & 12) != 0 && !connected(msr, 1))
        report.error(name, QLatin1String(": SRC is not connected."));
}

// Outputs, feedbacks and label-ins need a driver; outputs are named by their channel.
void checkOutputSide(const BlockItem* block, DrcReport& report)
{
    if (isMsrCnt(block)) {
        checkMeasureCounter(block, report);
        return;
    }
    if (!connected(block, 0)) {
        const QString name = isOutput(block) ? block->getType() : block->getUserName();
        report.error(name, QLatin1String(": InputPort is not connected."));
    }
}

} // namespace

int BlockDiagram::drc(QTextDocument* doc)
{
    DrcReport report;
    for (const PreLogic* logic : m_preLogic)
        checkLogic(logic, report);
    for (const BlockItem* fnc : m_function)
        checkFunction(fnc, report);
    for (const PostLogic* logic : m_postLogic)
        checkLogic(logic, report);
    for (const BlockItem* block : m_out)
        checkOutputSide(block, report);
    for (const BlockItem* label : m_label)
        checkOutPort(label, report);
    if (doc)
        doc->setPlainText(report.text());
    return report.verdict();
}

void BlockDiagram::checkMsrCnt(int* mode, QString* path, QString* name, QString* unit)
{
    const ChannelNames::Family& counters = ChannelNames::MSR_CNT;
    for (int m = 0; m < counters.count; ++m)
        mode[m] = -1;
    for (const BlockItem* msr : m_out) {
        if (!isMsrCnt(msr))
            continue;
        const int m = msr->getType().mid(counters.prefix.size()).toInt(nullptr, 10);
        if (m < 0 || m >= counters.count)
            continue;
        mode[m] = modeValue(msr) & 0xF;
        unit[m].clear();
        bool bSave = false;
        if (!msr->getProperty().isEmpty()) {
            const LoggingSettings log = readLogging(msr);
            bSave = log.bSave;
            unit[m] = log.unit;
            path[m] = log.path;
        }
        if (!bSave)
            path[m].clear();
        // With bit 3 set the counter's value carries no time unit; otherwise nanoseconds unless a
        // unit was chosen.
        if ((mode[m] & 8) == 0) {
            if (unit[m].isEmpty())
                unit[m] = TimeUnits::nanoseconds().text;
        } else {
            unit[m].clear();
        }
        name[m] = msr->getUserName();
    }
}

BlockItem* BlockDiagram::blockOfDrcLine(const QString& line) const
{
    QString name;
    for (const char* kind : {"error: ", "warning: "}) {
        if (line.startsWith(QLatin1String(kind)))
            name = line.mid(int(qstrlen(kind))).section(QLatin1String(": "), 0, 0);
    }
    if (name.isEmpty())
        return nullptr;
    for (BlockItem* block : allBlocks()) {
        if (block->getUserName() == name)
            return block;
    }
    return nullptr;
}
