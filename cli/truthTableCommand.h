#pragma once

#include <QStringList>

class CliContext;

// truth-table DOC BLOCK: the truth table and a minimal form of a PreLogic or PostLogic block of
// DOC, named by its resource or user name. ExitFindings (with the message) when the expression
// does not parse; ExitInput when DOC cannot be read or has no such block.
int truthTableCommand(CliContext& context, const QStringList& args);
