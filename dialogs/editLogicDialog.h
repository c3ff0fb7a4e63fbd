#pragma once

#include "dialogs/editDialog.h"
#include "dialogs/nameField.h"

#include <QMap>
#include <QStringList>
#include <QVector>

class BlockItem;
class Highlighter;
class NIMLogic;
class QDialogButtonBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QToolButton;

// The logic editor: the expression of a PreLogic or PostLogic block, written with operand letters
// or with the names of the connected blocks (always stored with letters), with a button per
// operand and operator, syntax colouring, and a truth table of what the text computes.
class EditLogicDialog : public EditDialog
{
    Q_OBJECT

public:
    struct ButtonInfo
    {
        QPushButton* pButton;
        QString port; // the operand letter, "_A".."_K"
        QString net;  // the connected block's name, empty when unconnected
    };

    EditLogicDialog(NIMLogic* logic, EditHost* host, QWidget* parent = nullptr);
    ~EditLogicDialog() override;

    NameField* nameField() const { return m_nameField; }
    QPlainTextEdit* textEdit() const { return m_textEdit; }
    QRadioButton* netButton() const { return m_radioButtonNet; }
    QRadioButton* portButton() const { return m_radioButtonPort; }
    QPushButton* operandButton(int k) const { return m_buttonList.at(k)->pButton; }
    QPushButton* operatorButton(const QString& text) const;
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }
    QToolButton* truthToggle() const { return m_truthToggle; }
    QTableWidget* truthTable() const { return m_truthTable; }
    QLabel* truthMessage() const { return m_truthMessage; }
    QLabel* truthCount() const { return m_truthCount; }
    QLabel* minimalForm() const { return m_minimalForm; }
    // The context menu of an operand button: "&Delete" when the input is connected, else null.
    QMenu* portMenu(int k);

public slots:
    void okClicked();
    void changeNetMode(bool bNet);
    void deletePort();
    void on_textEdit_textChanged();

private:
    void buildForm();
    void setLogic(NIMLogic* logic);
    void setButton(int k, const QString& net);
    void setText(int k);
    void insert(const QString& text);
    void updateRules();
    // The text with net names replaced by operand letters (or the reverse).
    QString converted(const QString& text, bool toNet) const;
    void updateTruthTable();
    // The "Logic Error" box: the message, and below it the expression with the place of the error.
    void showError(const QString& message, const QString& expr);

    NIMLogic* m_logic = nullptr;
    NameField* m_nameField = nullptr; // with a block only
    Highlighter* m_highlighter = nullptr;
    bool m_bNet = false;
    QString m_text;
    int m_index = -1;
    QMap<int, BlockItem*> m_port;
    QVector<ButtonInfo*> m_buttonList;
    QStringList m_ports;
    QStringList m_nets;

    QRadioButton* m_radioButtonNet;
    QRadioButton* m_radioButtonPort;
    QPlainTextEdit* m_textEdit;
    QDialogButtonBox* m_buttonBox;
    QToolButton* m_truthToggle;
    QWidget* m_truthPane;
    QStackedWidget* m_truthStack;
    QLabel* m_truthMessage;
    QWidget* m_truthTablePage;
    QTableWidget* m_truthTable;
    QLabel* m_truthCount;
    QLabel* m_minimalForm;
    QMenu* m_menu = nullptr;
};
