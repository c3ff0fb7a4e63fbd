#pragma once

#include "operations/operationPrompts.h"

#include <optional>

// A flow's decisions given in advance, as a script states them: design-rule warnings pass, the
// questions are answered yes (the ROM-save ones only with bForce), the ROM slot, comment, boot
// slot and protection come from the fields. vextor-cli and the Python module answer with it; what
// they tell their user on the way goes through the two hooks.
class PresetPrompts : public OperationPrompts
{
public:
    bool bForce = false;
    int slot = 0;
    QString comment;             // a save's comment
    bool bBoot = false;          // a save: also boot from the slot
    std::optional<bool> current; // protect: wanted protection, or unchanged
    std::optional<bool> boot;

    bool continueAfterWarnings(const QString& report) override;
    bool confirm(Question question) override;
    bool chooseRomSlot(RomCommand command, const ModuleStatus& status, RomChoice& choice) override;
    bool chooseProtection(const Protection& now, Protection& wanted) override;

    // The texts of both ROM-save questions, one per line: why a save without bForce was refused.
    static QString notDownloadedText();

protected:
    // The design rule check's warnings, passed over.
    virtual void warningsPassed(const QString& report) { Q_UNUSED(report); }
    // A save of a diagram the module does not hold, refused for want of bForce.
    virtual void saveRefused() {}
};
