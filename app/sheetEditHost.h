#pragma once

#include "dialogs/editHost.h"

class ProgramWidget;

// The settings dialogs opened from a sheet: they edit the sheet's blocks, their changes redraw the
// block and mark the document modified (one undo step), an input moved to another port shares its
// user name with the inputs of that port, and they ask the user through the window's prompts.
class SheetEditHost : public EditHost
{
public:
    explicit SheetEditHost(ProgramWidget* sheet);

    BlockDiagram* diagram() const override;
    int sheetId() const override;
    void blockChanged(BlockItem* block) override;
    void inputMoved(BlockItem* input, const QString& port) override;
    Prompts& prompts() override;

private:
    ProgramWidget* m_pProgramWidget;
};
