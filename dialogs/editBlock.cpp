#include "dialogs/editBlock.h"

#include "dialogs/editCntFncDialog.h"
#include "dialogs/editDlyFncDialog.h"
#include "dialogs/editInputDialog.h"
#include "dialogs/editLogicDialog.h"
#include "dialogs/editMsrCntDialog.h"
#include "model/blockKinds.h"
#include "model/nimLogic.h"

#include <memory>

namespace {
std::unique_ptr<EditDialog> dialogFor(BlockItem* block, EditHost& host, QWidget* parent)
{
    const QString type = block->getType();
    if (auto* logic = dynamic_cast<NIMLogic*>(block)) {
        auto dialog = std::make_unique<EditLogicDialog>(logic, &host, parent);
        dialog->setWindowTitle(block->getUserName());
        dialog->resize(800, 330);
        return dialog;
    }
    if (mentions(type, BlockKinds::CNT_FNC))
        return std::make_unique<EditCntFncDialog>(block, &host, parent);
    if (mentions(type, BlockKinds::DLY_FNC))
        return std::make_unique<EditDlyFncDialog>(block, &host, parent);
    if (mentions(type, ChannelNames::MSR_CNT.prefix))
        return std::make_unique<EditMsrCntDialog>(block, &host, parent);
    // The input dialog also edits outputs: their channel and their NIM and TTL levels.
    if (isInput(type) || isOutput(type))
        return std::make_unique<EditInputDialog>(block, &host, parent);
    return nullptr;
}
} // namespace

bool editBlock(BlockItem* block, EditHost& host, QWidget* parent, const QPoint* at)
{
    const std::unique_ptr<EditDialog> dialog = dialogFor(block, host, parent);
    if (!dialog)
        return false;
    if (at)
        dialog->move(*at);
    host.prompts().exec(*dialog);
    return dialog->changed();
}
