#pragma once

#include "kit/prompts.h"

#include <QMessageBox>
#include <QString>
#include <QStringList>

class BlockDiagram;
class BlockItem;
class QWidget;

// What a block settings dialog needs from whoever opened it: the model and the sheet of the block,
// a way to announce a change (the sheet redraws the block, the window marks the document modified
// and records an undo step), and the editor's prompts, through which it asks the user and is run
// itself; tests answer them from scripts.
class EditHost
{
public:
    virtual ~EditHost();

    virtual BlockDiagram* diagram() const = 0;
    // The sheet showing the edited block (free channels are counted per sheet).
    virtual int sheetId() const = 0;
    // The block's settings, name or user name changed.
    virtual void blockChanged(BlockItem* block) = 0;
    // An input block moves to another port: the host renames it, keeping the rule that same-named
    // inputs on all sheets share one user name. The dialog reports blockChanged afterwards.
    virtual void inputMoved(BlockItem* input, const QString& port) = 0;

    virtual Prompts& prompts() = 0;

    // The prompts' questions as the dialogs ask them.
    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir);
};
