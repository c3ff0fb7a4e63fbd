#pragma once

#include "operations/operationPrompts.h"

#include <optional>

class CliContext;

// A flow's decisions answered from the command's options: design-rule warnings are shown and
// passed, the questions answered yes (the ROM-save ones only with --force, else their texts are
// shown as the command's problem), the ROM slot, comment, boot slot and protection taken from the
// arguments.
class CliPrompts : public OperationPrompts
{
public:
    explicit CliPrompts(CliContext& context)
        : m_context(context)
    {}

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

private:
    CliContext& m_context;
};
