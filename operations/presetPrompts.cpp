#include "operations/presetPrompts.h"

bool PresetPrompts::continueAfterWarnings(const QString& report)
{
    warningsPassed(report);
    return true;
}

bool PresetPrompts::confirm(Question question)
{
    if (question != Question::SaveNotDownloaded || bForce)
        return true;
    saveRefused();
    return false;
}

bool PresetPrompts::chooseRomSlot(RomCommand command, const ModuleStatus& status, RomChoice& choice)
{
    choice.slot = slot;
    if (command == RomCommand::BootNum) {
        choice.bootSlot = slot;
    } else if (command == RomCommand::Save) {
        // An unchanged comment is not written again; a slot that boots already is not set again.
        if (status.comment(slot) != comment)
            choice.comment = RomComment::record(comment);
        if (bBoot && status.bootSlot() != slot)
            choice.bootSlot = slot;
    }
    return true;
}

bool PresetPrompts::chooseProtection(const Protection& now, Protection& wanted)
{
    wanted.current = current.value_or(now.current);
    wanted.boot = boot.value_or(now.boot);
    return true;
}

QString PresetPrompts::notDownloadedText()
{
    return QuestionBox::of(Question::SaveNotDownloaded).text + QLatin1Char('\n') +
           QuestionBox::of(Question::SaveWithoutGui).text;
}
