#pragma once

#include "dialogs/editHost.h"
#include "model/blockDiagram.h"

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
    struct Shown
    {
        QString title;
        QString text;
    };

    BlockDiagram model;
    int tid = 0;
    QVector<Shown> shown;
    QList<QMessageBox::StandardButton> answers; // taken in order; the default button when empty
    QVector<BlockItem*> changes;
    QString folder; // what the folder chooser returns

    BlockDiagram* diagram() const override { return const_cast<BlockDiagram*>(&model); }
    int sheetId() const override { return tid; }
    void blockChanged(BlockItem* block) override { changes.append(block); }
    void inputMoved(BlockItem* input, const QString& port) override { input->setName(port); }
    Prompts& prompts() override { return m_prompts; }

    // The texts shown so far, joined by "|" (empty when nothing was shown).
    QString texts() const
    {
        QStringList all;
        for (const Shown& s : shown)
            all.append(s.text);
        return all.join(QLatin1Char('|'));
    }

private:
    // The questions answered from the host's script; dialogs run as the toolkit runs them.
    class HostPrompts : public Prompts
    {
    public:
        explicit HostPrompts(ScriptedHost& host)
            : m_host(host)
        {}
        QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString& title,
                                            const QString& text, QMessageBox::StandardButtons,
                                            QMessageBox::StandardButton defaultButton, const QPoint*) override
        {
            m_host.shown.append({title, text});
            return m_host.answers.isEmpty() ? defaultButton : m_host.answers.takeFirst();
        }
        QString existingDirectory(QWidget*, const QString&, const QString&) override { return m_host.folder; }

    private:
        ScriptedHost& m_host;
    };
    HostPrompts m_prompts{*this};
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
