#pragma once

#include "operations/deviceOperation.h"

#include <QTextDocument>

class BlockDiagram;

// The message of the first logic expression of the diagram that does not compile ("<block>:
// <message>"), or an empty text when its whole register image can be computed.
QString imageError(BlockDiagram& diagram);

// The design rule check of a diagram, then whether its whole image can be computed (the rules do
// not evaluate expressions): what a download and the command-line check both go by.
struct DesignCheck
{
    QString report; // the rules' report; an expression that does not compile is an error line in it
    int rules = 0;  // what BlockDiagram::drc returned: errors, -1 for warnings only, 0 for none
    QString expressionError;

    static DesignCheck of(BlockDiagram& diagram);
    // DrcErrors, else ExpressionError, else Done (warnings are the caller's question).
    Verdict verdict() const;
};

// Download: the design rule check (errors refuse), the image computed (an expression that does not
// compile refuses), the rule warnings (they ask), a status job (a write-protected module refuses),
// then the register image written with progress. Done carries the counter monitor's and the
// user-control dialog's records for the diagram just downloaded and the image written; a failure
// after the first write says that the module holds a partly written configuration.
class DownloadOperation : public DeviceOperation
{
    Q_OBJECT
public:
    DownloadOperation(const InfoOstrum& target, BlockDiagram& diagram, OperationPrompts& prompts,
                      QObject* parent = nullptr);

protected:
    void begin() override;

private:
    void write();

    BlockDiagram& m_diagram;
};

// Verify: a diagram whose image cannot be computed is refused before the module is contacted, as
// by a download; then a status job (a write-protected module refuses), the question, then the
// read-back compared with the diagram. Done or Mismatch carry the worker's verdict text and the
// image the module holds; a mismatch also the report of its first difference and, read back in
// full, every setting that differs (when that read fails, why, in `detail`).
class VerifyOperation : public DeviceOperation
{
    Q_OBJECT
public:
    VerifyOperation(const InfoOstrum& target, BlockDiagram& diagram, OperationPrompts& prompts,
                    QObject* parent = nullptr);

protected:
    void begin() override;

private:
    void compare();
    void readModuleImage();
    void listDifferences(const QByteArray& tables);

    BlockDiagram& m_diagram;
    QTextDocument m_report;
};
