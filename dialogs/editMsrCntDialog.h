#pragma once

#include "dialogs/editDialog.h"
#include "dialogs/nameField.h"

class BlockItem;
class QButtonGroup;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

// Edits a measure counter: which counter it is, its GATE and SRC modes, the unit of time
// counts and whether (and where) the monitor saves its values. Stores
// "Mode=%1 [Unit=%2 ]FileSave=%3 PATH=%4" (the path last, so that it may hold blanks).
class EditMsrCntDialog : public EditDialog
{
    Q_OBJECT

public:
    EditMsrCntDialog(BlockItem* msr, EditHost* host, QWidget* parent = nullptr);

    // The folder the monitor saves into when none is set.
    static QString defaultFolder();

    NameField* nameField() const { return m_nameField; }
    QComboBox* counterComboBox() const { return m_counterComboBox; }
    QComboBox* gateComboBox() const { return m_areaComboBox; }
    QComboBox* srcComboBox() const { return m_enbComboBox; }
    QRadioButton* unitButton(int i) const;
    QGroupBox* fileSaveBox() const { return m_groupBox; }
    QLineEdit* pathEdit() const { return m_lineEdit; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    void okClicked();
    void on_toolButton_clicked();
    void on_m_enbComboBox_currentIndexChanged(int index);

private:
    QString composeProperty() const;
    bool folderReady();

    BlockItem* m_pMsr;
    NameField* m_nameField;
    QComboBox* m_counterComboBox;
    QComboBox* m_areaComboBox;
    QComboBox* m_enbComboBox;
    QButtonGroup* m_unitButtons;
    QGroupBox* m_groupBox;
    QLineEdit* m_lineEdit;
    QToolButton* m_toolButton;
    QDialogButtonBox* m_buttonBox;
    QString m_strOpened;
};
