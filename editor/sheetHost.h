#pragma once

#include "io/documentSession.h"

#include <QString>

class BlockItem;
class ProgramWidget;
class Prompts;
class QPoint;
struct InfoOstrum;

// What a sheet needs from the window that holds it, and nothing more: the keys held down, the
// document's session (every gesture that changes the document is one edit scope of it, so one
// step of Undo), the connection settings, the names shared by every sheet of the document, the
// clipboard state, the user's prompts and the blocks' settings dialogs. The main window implements it.
class SheetHost
{
public:
    virtual ~SheetHost() = default;

    virtual bool bCtrlKey() const = 0;
    virtual bool bShiftKey() const = 0;

    // The open document with its history. A change made while an edit scope of it lives is one
    // step, however many blocks it touches.
    virtual DocumentSession& session() = 0;

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
