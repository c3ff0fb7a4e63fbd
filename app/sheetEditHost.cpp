#include "app/sheetEditHost.h"

#include "editor/programWidget.h"
#include "editor/sheetHost.h"
#include "model/blockDiagram.h"
#include "model/blockKinds.h"

SheetEditHost::SheetEditHost(ProgramWidget* sheet)
    : m_pProgramWidget(sheet)
{}

BlockDiagram* SheetEditHost::diagram() const
{
    return m_pProgramWidget->blockDiagram();
}

int SheetEditHost::sheetId() const
{
    return m_pProgramWidget->getId();
}

void SheetEditHost::blockChanged(BlockItem* block)
{
    // Inputs of one channel show one user name on every sheet.
    if (isInput(block)) {
        QString name = block->getName();
        QString userName = block->getUserName();
        m_pProgramWidget->host()->renameInput(name, userName);
    }
    m_pProgramWidget->setModified(block, nullptr);
    m_pProgramWidget->refreshItem(block);
}

void SheetEditHost::inputMoved(BlockItem* input, const QString& port)
{
    m_pProgramWidget->host()->editInput(input, port);
}

Prompts& SheetEditHost::prompts()
{
    return m_pProgramWidget->host()->prompts();
}
