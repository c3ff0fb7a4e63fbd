#pragma once

#include "dialogs/editDialog.h"

class BlockItem;
class CounterFields;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

// Edits an input or an output block: its port, its user name and its electrical settings. An
// input is NIM, LVTTL or user specified (active level and threshold), or under user control;
// IN-USER can instead run as an oscillator. An output drives NIM and/or TTL levels.
class EditInputDialog : public EditDialog
{
    Q_OBJECT

public:
    // Threshold register value for a voltage from -2.5 V to 2.5 V, and back.
    static quint16 vth(double volts);
    static QString vthText(quint16 value);

    EditInputDialog(BlockItem* item, EditHost* host, QWidget* parent = nullptr);

    QComboBox* portBox() const { return m_comboBox; }
    QLineEdit* nameEdit() const { return m_lineEdit; }
    QCheckBox* userControlBox() const { return m_userControl; }
    QRadioButton* nimButton() const { return m_nim; }
    QRadioButton* ttlButton() const { return m_ttl; }
    QRadioButton* userButton() const { return m_user; }
    QRadioButton* highButton() const { return m_high; }
    QRadioButton* lowButton() const { return m_low; }
    QLineEdit* vthEdit() const { return m_vthEdit; }
    QCheckBox* nimOutBox() const { return m_nimOut; }
    QCheckBox* ttlOutBox() const { return m_ttlOut; }
    QGroupBox* inputGroup() const { return m_input; }
    QGroupBox* oscillatorGroup() const { return m_oscillator; }
    CounterFields* oscillatorFields() const { return m_fields; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    void on_comboBox_currentIndexChanged(const QString& port);
    void on_buttonBox_accepted();
    void on_nim_toggled(bool on);
    void on_ttl_toggled(bool on);
    void on_user_toggled(bool on);
    void on_userControl_toggled(bool on);

private:
    void buildForm();
    void openOutput();
    void openInput();
    void showPortGroups(const QString& port);
    bool isOutput() const;
    bool oscillatorActive() const;
    // Applies a user name after checking it; false (with a message) when it is refused.
    bool setName(const QString& name);
    // Writes the settings shown; true when the settings string changed.
    bool checkProperty(double volts);
    void setVth(quint16 value);

    BlockItem* m_pItem;
    QString m_userName;
    QString m_strName;
    bool m_bUserControl = false;
    bool m_bUser = false;
    bool m_bHigh = false;
    quint16 m_vth = 0;
    bool m_bNIM = false;
    bool m_bTTL = false;
    QString m_strOscillatorOpened; // the oscillator fields as opened
    QString m_strVthOpened;        // the threshold field as opened
    bool m_bModified = false;      // the oscillator settings are to be stored
    QString m_strMainCnt;          // the counters to store, set by an accepted check
    QString m_strSubCnt;
    QString m_strDisp;

    QComboBox* m_comboBox;
    QLineEdit* m_lineEdit;
    QCheckBox* m_userControl;
    QGroupBox* m_input;
    QRadioButton* m_nim;
    QRadioButton* m_ttl;
    QRadioButton* m_user;
    QGroupBox* m_property;
    QRadioButton* m_high;
    QRadioButton* m_low;
    QLineEdit* m_vthEdit;
    QGroupBox* m_output;
    QCheckBox* m_nimOut;
    QCheckBox* m_ttlOut;
    QGroupBox* m_oscillator;
    CounterFields* m_fields;
    QDialogButtonBox* m_buttonBox;
};
