#include "operations/outcome.h"

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
