#pragma once

#include "operations/presetPrompts.h"

class CliContext;

// The flow's decisions taken from the command's options; the design-rule warnings are shown on
// standard error, and a refused save's questions are the command's problem.
class CliPrompts : public PresetPrompts
{
public:
    explicit CliPrompts(CliContext& context)
        : m_context(context)
    {}

protected:
    void warningsPassed(const QString& report) override;
    void saveRefused() override;

private:
    CliContext& m_context;
};
