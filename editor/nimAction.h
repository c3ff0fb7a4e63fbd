#pragma once

#include <QAction>

class BlockItem;
class ProgramWidget;

// The actions of a block's right-click menu. Each remembers the block and the sheet that shows it;
// cut, copy and delete act on the sheet's current block or selection (the right-click made the
// block current), edit and rename on the block.
class NIMAction : public QAction
{
    Q_OBJECT

public:
    NIMAction(const QString& text, BlockItem* item, ProgramWidget* parent);

    BlockItem* item() const { return m_pItem; }

protected:
    BlockItem* m_pItem;
    ProgramWidget* m_pProgramWidget;
};

class NIMActionEdit : public NIMAction
{
    Q_OBJECT

public:
    NIMActionEdit(const QString& text, BlockItem* item, ProgramWidget* parent);

public slots:
    // Opens the block's settings dialog.
    void editItem();
};

class NIMActionCut : public NIMAction
{
    Q_OBJECT

public:
    NIMActionCut(const QString& text, BlockItem* item, ProgramWidget* parent);

public slots:
    void cutItem();
};

class NIMActionCopy : public NIMAction
{
    Q_OBJECT

public:
    NIMActionCopy(const QString& text, BlockItem* item, ProgramWidget* parent);

public slots:
    void copyItem();
};

class NIMActionDelete : public NIMAction
{
    Q_OBJECT

public:
    NIMActionDelete(const QString& text, BlockItem* item, ProgramWidget* parent);

public slots:
    void deleteItem();
};

class NIMActionRename : public NIMAction
{
    Q_OBJECT

public:
    NIMActionRename(const QString& text, BlockItem* item, ProgramWidget* parent);

public slots:
    // Asks for a new display name until the user gives one that may be used, or cancels.
    void rename();

private:
    // The message for a refused name; empty when the name may be used.
    QString refusal(const QString& text) const;
};

// The block's context actions, made for it and the sheet that shows it (the caller owns them).
NIMAction* addMenuEdit(BlockItem* item, ProgramWidget* sheet);
NIMAction* addCut(BlockItem* item, ProgramWidget* sheet);
NIMAction* addCopy(BlockItem* item, ProgramWidget* sheet);
NIMAction* addDelete(BlockItem* item, ProgramWidget* sheet);
NIMAction* addRename(BlockItem* item, ProgramWidget* sheet);
