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

QString verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Done:
        return QStringLiteral("done");
    case Verdict::DrcErrors:
        return QStringLiteral("drc_errors");
    case Verdict::ExpressionError:
        return QStringLiteral("expression_error");
    case Verdict::WriteProtected:
        return QStringLiteral("write_protected");
    case Verdict::Mismatch:
        return QStringLiteral("mismatch");
    case Verdict::NotDownloaded:
        return QStringLiteral("not_downloaded");
    case Verdict::MemoryFull:
        return QStringLiteral("memory_full");
    case Verdict::NoData:
        return QStringLiteral("no_data");
    case Verdict::DamagedSlot:
        return QStringLiteral("damaged_slot");
    case Verdict::RegistersModified:
        return QStringLiteral("registers_modified");
    case Verdict::RegistersDiffer:
        return QStringLiteral("registers_differ");
    case Verdict::CommunicationFailure:
        return QStringLiteral("communication_failure");
    case Verdict::Cancelled:
        break;
    }
    return QStringLiteral("cancelled");
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
