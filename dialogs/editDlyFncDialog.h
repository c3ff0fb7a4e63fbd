#pragma once

#include "dialogs/editDialog.h"
#include "dialogs/nameField.h"

class BlockItem;
class QComboBox;
class QDialogButtonBox;
class QLineEdit;

// Edits a delay function: 0 to 32.767 us in whole nanoseconds, entered in "ns" or "us".
// Stores "Delay=%1" with the number and its unit.
class EditDlyFncDialog : public EditDialog
{
    Q_OBJECT

public:
    static constexpr int MAX_VALUE = 32767;

    EditDlyFncDialog(BlockItem* fnc, EditHost* host, QWidget* parent = nullptr);

    NameField* nameField() const { return m_nameField; }
    QLineEdit* delayEdit() const { return m_delayEdit; }
    QComboBox* unitComboBox() const { return m_unitComboBox; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    void okClicked();
    void changeUnit(const QString& unit);

private:
    QString state() const;

    NameField* m_nameField;
    QLineEdit* m_delayEdit;
    QComboBox* m_unitComboBox;
    QDialogButtonBox* m_buttonBox;
    BlockItem* m_pFnc;
    int m_scale = SCALE;
    QString m_strOpened;
};
