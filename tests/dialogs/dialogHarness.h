#pragma once

#include "dialogs/editHost.h"
#include "model/blockDiagram.h"
#include "tests/support/scriptedPrompts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVector>

// A host over a bare diagram that records what the dialogs announce and answers their questions
// from a script.
class ScriptedHost : public EditHost
{
public:
    BlockDiagram model;
    int tid = 0;
    ScriptedPrompts scripted;
    QVector<BlockItem*> changes;

    BlockDiagram* diagram() const override { return const_cast<BlockDiagram*>(&model); }
    int sheetId() const override { return tid; }
    void blockChanged(BlockItem* block) override { changes.append(block); }
    void inputMoved(BlockItem* input, const QString& port) override { input->setName(port); }
    Prompts& prompts() override { return scripted; }

    // A fresh diagram, nothing shown or changed.
    void reset()
    {
        model.clearEntry();
        scripted = ScriptedPrompts();
        changes.clear();
    }
};

inline void clickOk(QDialogButtonBox* box)
{
    QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

inline void retype(QWidget* field, const QString& text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

// The label texts whose mnemonic ("&x") leads to no field: the toolkit then shows the "&" itself.
inline QStringList mnemonicsWithoutBuddy(const QWidget* dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (!QKeySequence::mnemonic(label->text()).isEmpty() && !label->buddy())
            texts.append(label->text());
    return texts;
}
