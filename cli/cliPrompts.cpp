#include "cli/cliPrompts.h"

#include "cli/cliContext.h"

void CliPrompts::warningsPassed(const QString& report)
{
    m_context.err() << report << Qt::endl;
}

void CliPrompts::saveRefused()
{
    m_context.problem(notDownloadedText() + QStringLiteral("\n(--force saves it nevertheless)"));
}
