#include "cli/commandResult.h"

const QString CommandResult::FILE_FAILURE = QStringLiteral("file_failure");
const QString CommandResult::NO_SUCH_BLOCK = QStringLiteral("no_such_block");

int exitCodeFor(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Done:
        return ExitOk;
    case Verdict::DrcErrors:
    case Verdict::ExpressionError:
    case Verdict::WriteProtected:
    case Verdict::Mismatch:
    case Verdict::NotDownloaded:
    case Verdict::MemoryFull:
    case Verdict::NoData:
    case Verdict::RegistersModified:
    case Verdict::RegistersDiffer:
        return ExitNegative;
    case Verdict::DamagedSlot:
    case Verdict::CommunicationFailure:
    case Verdict::Cancelled:
        break;
    }
    return ExitFailure;
}

CommandResult::CommandResult(Verdict verdict, const QString& message)
    : verdict(verdictName(verdict))
    , exitCode(exitCodeFor(verdict))
    , message(message)
{}

CommandResult::CommandResult(const OperationOutcome& outcome)
    : CommandResult(outcome.verdict, outcome.isDone() ? QString() : outcome.message)
{}

CommandResult CommandResult::failure(const QString& verdict, const QString& message)
{
    CommandResult result;
    result.verdict = verdict;
    result.exitCode = ExitFailure;
    result.message = message;
    return result;
}
