#pragma once

#include "dialogs/counterFields.h"
#include "dialogs/editDialog.h"
#include "dialogs/nameField.h"

class BlockItem;
class QComboBox;
class QDialogButtonBox;

// Edits a counter function: its mode and its two counters (times, divider counts, or for the
// oscillator modes a frequency). Stores "Mode=%1 MainCnt=%2 SubCnt=%3", plus " Disp=%1" for a
// frequency entry.
class EditCntFncDialog : public EditDialog
{
    Q_OBJECT

public:
    static constexpr int MODES = 11;
    static constexpr int DIVIDER_MODE = 10;

    struct ModeInfo
    {
        const char* text;
        int mainMin;
        int subMin;
        const char* mainLabel;
        const char* subLabel;
    };
    static const ModeInfo& mode(int m);
    static bool isOscillatorMode(int m) { return m == 8 || m == 9; }

    EditCntFncDialog(BlockItem* fnc, EditHost* host, QWidget* parent = nullptr);

    NameField* nameField() const { return m_nameField; }
    QComboBox* modeComboBox() const { return m_modeComboBox; }
    CounterFields* fields() const { return m_fields; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    void okClicked();
    void changeMode(int newMode);

private:
    QString composeProperty(const CounterFields::Counters& counters) const;
    // Everything the dialog shows, to tell whether the user changed anything.
    QString openState() const;

    NameField* m_nameField;
    QComboBox* m_modeComboBox;
    CounterFields* m_fields;
    QDialogButtonBox* m_buttonBox;
    BlockItem* m_pFnc;
    int m_mode = 0;
    QString m_strOpened; // openState() right after opening
};
