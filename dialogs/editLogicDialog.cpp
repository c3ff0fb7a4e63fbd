#include "dialogs/editLogicDialog.h"

#include "dialogs/highlighter.h"
#include "model/nimLogic.h"
#include "model/truthTable.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char* const OPERATORS[] = {"not", "and", "or", "xor"};
// Truth-table rows the pane shows without scrolling.
constexpr int TRUTH_ROWS = 4;
// Characters of a long line shown on either side of the place of an error.
constexpr int ERROR_CONTEXT = 30;

// The line of an expression that holds the place of its error, with a caret line below that place,
// in a fixed-pitch block so that the two line up. A long line is cut around the place.
QString placeOfError(const QString& expr, const NIMLogic::Diagnosis& diagnosis)
{
    const int lineStart = expr.lastIndexOf(QLatin1Char('\n'), diagnosis.start - 1) + 1;
    int lineEnd = expr.indexOf(QLatin1Char('\n'), diagnosis.start);
    if (lineEnd < 0)
        lineEnd = expr.size();
    const int first = qMax(lineStart, diagnosis.start - ERROR_CONTEXT);
    const int last = qMin(lineEnd, diagnosis.start + diagnosis.length + ERROR_CONTEXT);
    const QString before = first > lineStart ? QStringLiteral("\u2026") : QString();
    const QString after = last < lineEnd ? QStringLiteral("\u2026") : QString();
    const QString line = before + expr.mid(first, last - first) + after;
    const QString caret = QString(before.size() + diagnosis.start - first, QLatin1Char(' ')) +
                          QString(qMax(1, diagnosis.length), QLatin1Char('^'));
    return QStringLiteral("<pre>%1\n%2</pre>").arg(line.toHtmlEscaped(), caret);
}
} // namespace

EditLogicDialog::EditLogicDialog(NIMLogic* logic, EditHost* host, QWidget* parent)
    : EditDialog(host, parent)
{
    buildForm();
    m_bNet = m_radioButtonNet->isChecked();
    if (logic) {
        setLogic(logic);
        auto* name = new QFormLayout;
        m_nameField = new NameField(logic, this);
        m_nameField->addTo(name);
        static_cast<QVBoxLayout*>(layout())->insertLayout(0, name);
    }
    m_highlighter = new Highlighter(m_textEdit->document());
    updateRules();
    updateTruthTable();
}

EditLogicDialog::~EditLogicDialog()
{
    qDeleteAll(m_buttonList);
}

void EditLogicDialog::buildForm()
{
    setWindowTitle(tr("Logic Edit"));
    m_radioButtonNet = new QRadioButton(tr("&Net Name"), this);
    m_radioButtonPort = new QRadioButton(tr("&Port Name"), this);
    m_radioButtonPort->setChecked(true);
    auto* modes = new QHBoxLayout;
    modes->addWidget(m_radioButtonNet);
    modes->addWidget(m_radioButtonPort);
    modes->addStretch();

    auto* operands = new QHBoxLayout;
    for (int k = 0; k < NIMLogic::OPERANDS; ++k) {
        const QString port = NIMLogic::operandName(k);
        auto* button = new QPushButton(port + QStringLiteral("\n\n"), this);
        button->setObjectName(QStringLiteral("pushButton") + port);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        m_buttonList.append(new ButtonInfo{button, port, QString()});
        m_ports.append(QStringLiteral("\\b") + port + QStringLiteral("\\b"));
        connect(button, &QPushButton::clicked, this, [this, k] { setText(k); });
        connect(button, &QPushButton::customContextMenuRequested, this, [this, k, button](const QPoint& pos) {
            if (QMenu* menu = portMenu(k))
                menu->popup(button->mapToGlobal(pos));
        });
        operands->addWidget(button);
    }
    auto* operators = new QHBoxLayout;
    for (const char* op : OPERATORS) {
        auto* button = new QPushButton(QLatin1String(op), this);
        button->setObjectName(QStringLiteral("pushButton_") + QLatin1String(op));
        connect(button, &QPushButton::clicked, this,
                [this, op] { insert(QStringLiteral(" %1 ").arg(QLatin1String(op))); });
        operators->addWidget(button);
    }
    for (const char* paren : {"(", ")"}) {
        auto* button = new QPushButton(QLatin1String(paren), this);
        button->setObjectName(*paren == '(' ? QStringLiteral("pushButton_left")
                                            : QStringLiteral("pushButton_right"));
        connect(button, &QPushButton::clicked, this, [this, paren] { insert(QLatin1String(paren)); });
        operators->addWidget(button);
    }
    operators->addStretch();

    m_textEdit = new QPlainTextEdit(this);
    auto* expression = new QHBoxLayout;
    expression->addWidget(new QLabel(QStringLiteral("OUT = "), this), 0, Qt::AlignTop);
    expression->addWidget(m_textEdit);

    // The truth table pane: collapsible, below the text field.
    m_truthToggle = new QToolButton(this);
    m_truthToggle->setText(tr("Truth table"));
    m_truthToggle->setCheckable(true);
    m_truthToggle->setChecked(true);
    m_truthToggle->setArrowType(Qt::DownArrow);
    m_truthToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_truthToggle->setAutoRaise(true);
    m_truthPane = new QWidget(this);
    m_truthMessage = new QLabel(m_truthPane);
    m_truthTable = new QTableWidget(m_truthPane);
    m_truthTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_truthTable->verticalHeader()->hide();
    m_truthCount = new QLabel(m_truthPane);
    m_minimalForm = new QLabel(m_truthPane);
    m_minimalForm->setWordWrap(true);
    m_minimalForm->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The message and the table take turns in one place as large as the larger of them, so that
    // the dialog keeps its size (and OK its place) while the user types.
    m_truthMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_truthTablePage = new QWidget(m_truthPane);
    auto* tablePage = new QVBoxLayout(m_truthTablePage);
    tablePage->setContentsMargins(0, 0, 0, 0);
    tablePage->addWidget(m_truthTable);
    tablePage->addWidget(m_truthCount);
    tablePage->addWidget(m_minimalForm);
    m_truthStack = new QStackedWidget(m_truthPane);
    m_truthStack->addWidget(m_truthMessage);
    m_truthStack->addWidget(m_truthTablePage);
    // Room for the header and TRUTH_ROWS rows, the count and two lines of minimal form: more than
    // either page needs at least, so that neither decides the dialog's size.
    const int line = fontMetrics().lineSpacing();
    m_truthStack->setMinimumHeight((TRUTH_ROWS + 1) * m_truthTable->verticalHeader()->defaultSectionSize() +
                                   3 * line + 2 * m_truthTable->frameWidth());
    auto* pane = new QVBoxLayout(m_truthPane);
    pane->setContentsMargins(0, 0, 0, 0);
    pane->addWidget(m_truthStack);
    connect(m_truthToggle, &QToolButton::toggled, this, [this](bool open) {
        m_truthToggle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_truthPane->setVisible(open);
    });

    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modes);
    layout->addLayout(operands);
    layout->addLayout(operators);
    layout->addLayout(expression);
    layout->addWidget(m_truthToggle);
    layout->addWidget(m_truthPane, 1);
    layout->addWidget(m_buttonBox);

    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &EditLogicDialog::okClicked);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_radioButtonNet, &QRadioButton::toggled, this, &EditLogicDialog::changeNetMode);
    connect(m_textEdit, &QPlainTextEdit::textChanged, this, &EditLogicDialog::on_textEdit_textChanged);
}

QPushButton* EditLogicDialog::operatorButton(const QString& text) const
{
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

void EditLogicDialog::setLogic(NIMLogic* logic)
{
    m_logic = logic;
    m_textEdit->setPlainText(logic->getProperty());
    m_port = logic->getPort();
    for (auto it = m_port.cbegin(); it != m_port.cend(); ++it)
        if (it.key() >= 0 && it.key() < NIMLogic::OPERANDS)
            setButton(it.key(), operandNet(logic, it.key()));
}

void EditLogicDialog::setButton(int k, const QString& net)
{
    ButtonInfo* info = m_buttonList.at(k);
    info->pButton->setText(QStringLiteral("%1\n\n%2").arg(info->port, net));
    info->net = net;
    updateRules();
}

void EditLogicDialog::updateRules()
{
    m_nets.clear();
    for (const ButtonInfo* info : qAsConst(m_buttonList))
        if (!info->net.isEmpty())
            m_nets.append(QStringLiteral("\\b") + QRegularExpression::escape(info->net) +
                          QStringLiteral("\\b"));
    if (!m_highlighter)
        return;
    m_highlighter->clearRules();
    m_highlighter->setRule({QStringLiteral("\\bxor\\b"), QStringLiteral("\\bor\\b"),
                            QStringLiteral("\\band\\b"), QStringLiteral("\\bnot\\b")},
                           QBrush(Qt::blue), 0);
    m_highlighter->setRule(m_ports, QBrush(Qt::darkGreen), QFont::Bold);
    m_highlighter->setRule(m_nets, QBrush(Qt::darkCyan), QFont::Bold);
    m_highlighter->rehighlight();
}

void EditLogicDialog::insert(const QString& text)
{
    m_textEdit->insertPlainText(text);
    m_textEdit->setFocus();
}

void EditLogicDialog::setText(int k)
{
    const ButtonInfo* info = m_buttonList.at(k);
    insert(QLatin1Char(' ') + (m_bNet && !info->net.isEmpty() ? info->net : info->port) + QLatin1Char(' '));
}

QMenu* EditLogicDialog::portMenu(int k)
{
    m_index = k;
    if (!m_logic || !m_logic->getPort(k))
        return nullptr;
    if (!m_menu) {
        m_menu = new QMenu(this);
        connect(m_menu->addAction(tr("&Delete")), &QAction::triggered, this, &EditLogicDialog::deletePort);
    }
    return m_menu;
}

void EditLogicDialog::deletePort()
{
    BlockItem* driver = m_logic->getPort(m_index);
    if (!driver)
        return;
    // The connection goes at once, whether or not the dialog is accepted.
    driver->delOutPort(m_logic);
    m_logic->delPort(m_index);
    m_port.remove(m_index);
    setButton(m_index, QString());
    reportChanged(m_logic);
    updateTruthTable();
}

QString EditLogicDialog::converted(const QString& text, bool toNet) const
{
    QString result = text;
    for (const ButtonInfo* info : m_buttonList) {
        if (info->net.isEmpty())
            continue;
        if (toNet)
            result.replace(info->port, info->net);
        else
            result.replace(info->net, info->port);
    }
    return result;
}

void EditLogicDialog::changeNetMode(bool bNet)
{
    if (bNet == m_bNet)
        return;
    const QString text = converted(m_textEdit->toPlainText(), bNet);
    m_bNet = bNet;
    m_textEdit->setPlainText(text);
}

void EditLogicDialog::on_textEdit_textChanged()
{
    m_text = m_textEdit->toPlainText();
    updateTruthTable();
}

void EditLogicDialog::updateTruthTable()
{
    const TruthTable table(m_bNet ? converted(m_text, false) : m_text);
    QStringList names;
    for (const ButtonInfo* info : qAsConst(m_buttonList))
        names.append(m_bNet ? info->net : QString());
    m_truthMessage->setText(table.error());
    m_truthStack->setCurrentWidget(table.isValid() ? m_truthTablePage
                                                   : static_cast<QWidget*>(m_truthMessage));
    m_truthCount->setVisible(table.isValid() && !table.listsAllRows());
    if (!table.isValid())
        return;
    const QVector<int>& operands = table.operands();
    QStringList headers;
    for (int k : operands)
        headers.append(names.at(k).isEmpty() ? NIMLogic::operandName(k) : names.at(k));
    headers.append(QStringLiteral("OUT"));
    const QVector<TruthTable::Row> rows = table.rows();
    m_truthTable->clear();
    m_truthTable->setColumnCount(headers.size());
    m_truthTable->setHorizontalHeaderLabels(headers);
    m_truthTable->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        for (int i = 0; i <= operands.size(); ++i) {
            const bool bit = i < operands.size() ? (rows.at(r).inputs >> i) & 1 : rows.at(r).output;
            auto* item = new QTableWidgetItem(QString::number(bit));
            item->setTextAlignment(Qt::AlignCenter);
            m_truthTable->setItem(r, i, item);
        }
    }
    m_truthCount->setText(
        tr("%1 of %2 rows are 1 (only those are listed)").arg(table.trueCount()).arg(table.combinations()));
    m_minimalForm->setText(tr("Minimal form (a hint; the expression is stored as typed): OUT = %1")
                               .arg(table.minimalForm(names)));
}

void EditLogicDialog::okClicked()
{
    if (m_nameField && !m_nameField->acceptable())
        return;
    m_radioButtonPort->setChecked(true);
    const QString before = m_logic->getProperty();
    QString text = m_textEdit->toPlainText();
    if (!m_logic->setProperty(text, true)) {
        showError(text, m_textEdit->toPlainText());
        return;
    }
    const bool renamed = m_nameField && m_nameField->store();
    if (m_logic->getProperty() != before || renamed)
        reportChanged(m_logic);
    accept();
}

void EditLogicDialog::showError(const QString& message, const QString& expr)
{
    const NIMLogic::Diagnosis diagnosis = NIMLogic::diagnose(expr);
    Prompts::Box box;
    box.icon = QMessageBox::Warning;
    box.title = tr("Logic Error");
    box.text = message;
    box.informative = placeOfError(expr, diagnosis);
    box.defaultButton = QMessageBox::Ok;
    m_pHost->prompts().ask(this, box);
    // The place of the error is selected, ready to be corrected.
    QTextCursor cursor = m_textEdit->textCursor();
    cursor.setPosition(diagnosis.start);
    cursor.setPosition(diagnosis.start + diagnosis.length, QTextCursor::KeepAnchor);
    m_textEdit->setTextCursor(cursor);
    m_textEdit->setFocus();
}
