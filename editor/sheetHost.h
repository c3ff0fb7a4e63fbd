#pragma once

#include <QString>

class BlockItem;
class ProgramWidget;
class Prompts;
class QPoint;
struct InfoOstrum;

// What a sheet needs from the window that holds it, and nothing more: the keys held down, marking
// the document modified (with the switch that holds back undo snapshots while several blocks
// change), the connection settings, the names shared by every sheet of the document, the
// clipboard state, the user's prompts and the blocks' settings dialogs. The main window implements it.
class SheetHost
{
public:
    virtual ~SheetHost() = default;

    virtual bool bCtrlKey() const = 0;
    virtual bool bShiftKey() const = 0;

    // Records an undo snapshot, marks the document modified and repaints the sheet in view.
    virtual void setModified() = 0;
    // While set, setModified() does nothing; the change of several blocks marks once at its end.
    virtual void setIgnore(bool bIgnore) = 0;
    virtual bool bIgnore() const = 0;

    virtual InfoOstrum* infoOstrum() = 0;

    // An input block switched to the input channel newName (user names follow the channel).
    virtual void editInput(BlockItem* input, QString newName) = 0;
    // Every input, or every block of the label or FeedBack signal, called name shows userName.
    virtual void renameInput(QString& name, QString& userName) = 0;
    virtual void renameLabel(QString& name, QString& userName) = 0;
    // The label or FeedBack signal's defining block is going: every output of it goes, on every
    // sheet, and so does its label panel entry.
    virtual void deleteLabel(QString name) = 0;

    // Whether the clipboard holds blocks, and pasting them into the sheet in view.
    virtual bool bPasteInfo() const = 0;
    virtual void paste() = 0;

    virtual Prompts& prompts() = 0;

    // Opens the settings dialog of a block of sheet, its top-left corner at at (screen
    // coordinates). The dialogs are a layer beside the canvas: the window runs them.
    virtual void editBlock(ProgramWidget* sheet, BlockItem* block, const QPoint& at) = 0;
};

// Holds back undo snapshots while it lives and then restores the switch as it was, so that an edit
// of several blocks, however it nests, marks the document once at its end.
class IgnoreChanges
{
public:
    explicit IgnoreChanges(SheetHost* host)
        : m_pHost(host)
        , m_bWas(host->bIgnore())
    {
        host->setIgnore(true);
    }
    ~IgnoreChanges() { m_pHost->setIgnore(m_bWas); }

    IgnoreChanges(const IgnoreChanges&) = delete;
    IgnoreChanges& operator=(const IgnoreChanges&) = delete;

private:
    SheetHost* m_pHost;
    bool m_bWas;
};
