#include "editor/nimAction.h"

#include "editor/programWidget.h"
#include "editor/sheetHost.h"
#include "kit/prompts.h"
#include "model/blockDiagram.h"
#include "model/channelNames.h"
#include "model/pictureText.h"

// Made without a parent: the block's picture takes it (ProgramWidget::addMenu). Passing through
// the sheet, whose children are many, would cost a search of them each time.
NIMAction::NIMAction(const QString& text, BlockItem* item, ProgramWidget* parent)
    : QAction(text, nullptr)
    , m_pItem(item)
    , m_pProgramWidget(parent)
{}

NIMActionEdit::NIMActionEdit(const QString& text, BlockItem* item, ProgramWidget* parent)
    : NIMAction(text, item, parent)
{
    setIcon(QIcon(PictureText::picture(QStringLiteral(":/Vextor_icon/Vextor_Edit.png"))));
    connect(this, &QAction::triggered, this, &NIMActionEdit::editItem);
}

void NIMActionEdit::editItem()
{
    m_pProgramWidget->editItem(m_pItem);
}

NIMActionCut::NIMActionCut(const QString& text, BlockItem* item, ProgramWidget* parent)
    : NIMAction(text, item, parent)
{
    setIcon(QIcon(PictureText::picture(QStringLiteral(":/Vextor_icon/Vextor_Cut.png"))));
    connect(this, &QAction::triggered, this, &NIMActionCut::cutItem);
}

void NIMActionCut::cutItem()
{
    m_pProgramWidget->actionCopy(true);
}

NIMActionCopy::NIMActionCopy(const QString& text, BlockItem* item, ProgramWidget* parent)
    : NIMAction(text, item, parent)
{
    setIcon(QIcon(PictureText::picture(QStringLiteral(":/Vextor_icon/Vextor_copy.png"))));
    connect(this, &QAction::triggered, this, &NIMActionCopy::copyItem);
}

void NIMActionCopy::copyItem()
{
    m_pProgramWidget->actionCopy(false);
}

NIMActionDelete::NIMActionDelete(const QString& text, BlockItem* item, ProgramWidget* parent)
    : NIMAction(text, item, parent)
{
    setIcon(QIcon(PictureText::picture(QStringLiteral(":/images/delbutton.png"))));
    connect(this, &QAction::triggered, this, &NIMActionDelete::deleteItem);
}

void NIMActionDelete::deleteItem()
{
    m_pProgramWidget->actionDelete();
}

NIMActionRename::NIMActionRename(const QString& text, BlockItem* item, ProgramWidget* parent)
    : NIMAction(text, item, parent)
{
    setIcon(QIcon(PictureText::picture(QStringLiteral(":/Vextor_icon/Vextor_rename2.png"))));
    connect(this, &QAction::triggered, this, &NIMActionRename::rename);
}

QString NIMActionRename::refusal(const QString& text) const
{
    if (!BlockDiagram::isNameText(text))
        return tr("A name can consist only of the following characters:\n") +
               tr("alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)");
    // A channel's own name may come back; otherwise names of channels are reserved.
    const bool ownChannel = text == m_pItem->getName() && (text.startsWith(ChannelNames::INPUT_PREFIX) ||
                                                           ChannelNames::isReservedName(text));
    QString candidate = text;
    if (ownChannel || m_pProgramWidget->checkName(candidate, false))
        return QString();
    return tr("\"%1\" cannot be used or it is already in use.").arg(text);
}

void NIMActionRename::rename()
{
    const QString oldName = m_pItem->getUserName();
    const QString name = m_pItem->getName();
    const bool channel =
        name.contains(ChannelNames::INPUT_PREFIX) || name.contains(ChannelNames::OUTPUT.prefix);
    const QString title = channel ? name : oldName;
    Prompts& prompts = m_pProgramWidget->host()->prompts();
    QString initial = oldName;
    for (;;) {
        bool ok = false;
        const QString typed =
            prompts.text(m_pProgramWidget, title, tr("Please enter new name."), initial, &ok);
        const QString text = typed.trimmed();
        if (!ok || text == oldName.trimmed())
            return;
        const QString refused = refusal(text);
        if (refused.isEmpty()) {
            const DocumentSession::Edit step = m_pProgramWidget->host()->session().edit();
            m_pItem->setUserName(text);
            m_pProgramWidget->refreshItem(m_pItem);
            QString resource = name;
            QString renamed = text;
            m_pProgramWidget->setModified(resource, renamed);
            return;
        }
        prompts.warning(m_pProgramWidget, oldName, refused);
        initial = text;
    }
}

NIMAction* addMenuEdit(BlockItem* item, ProgramWidget* sheet)
{
    return new NIMActionEdit(QObject::tr("&Edit"), item, sheet);
}

NIMAction* addCut(BlockItem* item, ProgramWidget* sheet)
{
    return new NIMActionCut(QObject::tr("Cu&t"), item, sheet);
}

NIMAction* addCopy(BlockItem* item, ProgramWidget* sheet)
{
    return new NIMActionCopy(QObject::tr("&Copy"), item, sheet);
}

NIMAction* addDelete(BlockItem* item, ProgramWidget* sheet)
{
    return new NIMActionDelete(QObject::tr("&Delete"), item, sheet);
}

NIMAction* addRename(BlockItem* item, ProgramWidget* sheet)
{
    return new NIMActionRename(QObject::tr("&Rename"), item, sheet);
}
