#pragma once

#include <QStringList>

class CliContext;

// Commands that work on a document file alone, without a module.

// image DOC: the bytes a download of DOC writes, one line "%08x %02x" per byte in write order.
// ExitFindings with the message when an expression cannot be evaluated.
int imageCommand(CliContext& context, const QStringList& args);

// drc DOC: the design rule check report; ExitFindings when it lists errors (warnings pass).
int drcCommand(CliContext& context, const QStringList& args);
