#pragma once

#include "operations/operationPrompts.h"

#include <QByteArray>
#include <QDialog>
#include <QVector>

class DeviceDialogHost;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// Picks a page of the module's ROM: the page to save the configuration to (with its comment and
// whether the module boots from it), the page to restore, or the page the module boots from. It
// shows the comment stored with each page and hands the choice to the host's setROMinfo.
class RomDialog : public QDialog
{
    Q_OBJECT
public:
    using ExecType = RomCommand;
    static constexpr int PAGES = 16;
    static constexpr int COMMENT_SIZE = 112;

    // romInfo: the boot page, then the 16 comment records of COMMENT_SIZE bytes.
    RomDialog(const QString& fileName, const QByteArray& romInfo, ExecType type, DeviceDialogHost& host,
              QWidget* parent = nullptr);

    QTableWidget* tableWidget() const { return m_table; }
    QComboBox* comboBox() const { return m_comboBox; }
    QLineEdit* lineEdit() const { return m_lineEdit; }
    QCheckBox* checkBox() const { return m_checkBox; }
    QLabel* label() const { return m_label; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }
    // The check box of a row (boot-page mode only).
    QCheckBox* rowCheckBox(int row) const;

public slots:
    void on_buttonBox_accepted();
    void on_comboBox_currentIndexChanged(int index);
    void on_tableWidget_currentCellChanged(int currentRow, int currentColumn, int previousRow,
                                           int previousColumn);
    void setState(int row, int state);

private:
    QString comment(int page) const;
    void fillTable(int firstColumnWidth, int secondColumnWidth);
    void acceptSave();
    void acceptRestore();
    // A slot without a comment holds no saved configuration: booting from it asks first (default
    // Cancel, which leaves the dialog open).
    bool confirmEmptyBootSlot();

    DeviceDialogHost& m_host;
    ExecType m_type;
    bool m_isSave;
    bool m_bCombo = true;
    int m_default;
    int m_boot;
    QVector<QByteArray> m_buf;
    QString m_fname;

    QTableWidget* m_table;
    QLabel* m_label;
    QComboBox* m_comboBox;
    QLineEdit* m_lineEdit;
    QCheckBox* m_checkBox;
    QDialogButtonBox* m_buttonBox;
};
