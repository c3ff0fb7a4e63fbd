#include "dialogs/romDialog.h"

#include "device/moduleStatus.h"
#include "dialogs/deviceDialogHost.h"
#include "kit/prompts.h"
#include "operations/operationTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

RomDialog::RomDialog(const QString& fileName, const QByteArray& romInfo, ExecType type,
                     DeviceDialogHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_type(type)
    , m_isSave(type == RomCommand::Save)
    , m_default(romInfo.isEmpty() ? 0 : quint8(romInfo.at(0)))
    , m_boot(m_default)
    , m_fname(fileName.section(QLatin1Char('/'), -1))
    , m_table(new QTableWidget(PAGES, 2))
    , m_label(new QLabel(tr("Boot From ")))
    , m_comboBox(new QComboBox)
    , m_lineEdit(new QLineEdit)
    , m_checkBox(new QCheckBox(tr("Set on &Boot")))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    for (int page = 0; page < PAGES; ++page)
        m_buf.append(romInfo.mid(1 + page * COMMENT_SIZE, COMMENT_SIZE));
    m_table->setObjectName(QStringLiteral("tableWidget"));
    m_comboBox->setObjectName(QStringLiteral("comboBox"));
    m_lineEdit->setObjectName(QStringLiteral("lineEdit"));
    m_checkBox->setObjectName(QStringLiteral("checkBox"));
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_label->setText(m_label->text() + QString::number(m_default));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_table);
    layout->addWidget(m_comboBox);
    layout->addWidget(m_lineEdit);
    layout->addWidget(m_checkBox);
    layout->addWidget(m_buttonBox);

    if (type == RomCommand::BootNum) {
        fillTable(47, 283);
        m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
        setWindowTitle(tr("Boot ROM Page"));
        m_lineEdit->hide();
        m_checkBox->hide();
        m_comboBox->hide();
    } else {
        fillTable(30, 300);
        for (int page = 0; page < PAGES; ++page) {
            QString item = QString::number(page);
            if (type == RomCommand::Restore) {
                if (page == m_default)
                    item += QStringLiteral(" (boot) ");
                item += QStringLiteral(": ") + comment(page);
            }
            m_comboBox->addItem(item);
        }
        if (type == RomCommand::Save) {
            setWindowTitle(tr("Save to ROM"));
            on_comboBox_currentIndexChanged(0);
            m_bCombo = true;
        } else {
            setWindowTitle(tr("Restore from ROM"));
            m_lineEdit->hide();
            m_checkBox->hide();
            m_comboBox->setMinimumWidth(330);
        }
    }
    connect(m_comboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RomDialog::on_comboBox_currentIndexChanged);
    connect(m_table, &QTableWidget::currentCellChanged, this, &RomDialog::on_tableWidget_currentCellChanged);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &RomDialog::on_buttonBox_accepted);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_bCombo = false;
}

QString RomDialog::comment(int page) const
{
    return RomComment::text(m_buf.value(page));
}

// Each row: the page number (a check box in boot-page mode) and its comment, read-only; the
// boot page's row in bold.
void RomDialog::fillTable(int firstColumnWidth, int secondColumnWidth)
{
    m_table->setColumnWidth(0, firstColumnWidth);
    m_table->setColumnWidth(1, secondColumnWidth);
    // Both columns in view beside the vertical scroll bar.
    m_table->setMinimumWidth(firstColumnWidth + secondColumnWidth + 2 * m_table->frameWidth() +
                             m_table->verticalScrollBar()->sizeHint().width());
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int page = 0; page < PAGES; ++page) {
        auto* number = new QTableWidgetItem(QString::number(page));
        auto* text = new QTableWidgetItem(comment(page));
        number->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        text->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        QFont font = text->font();
        font.setBold(page == m_default);
        number->setFont(font);
        text->setFont(font);
        m_table->setItem(page, 0, number);
        m_table->setItem(page, 1, text);
        if (m_type != RomCommand::BootNum)
            continue;
        number->setText(QString());
        auto* box = new QCheckBox(QString::number(page));
        box->setFont(font);
        box->setChecked(page == m_default);
        m_table->setCellWidget(page, 0, box);
        connect(box, &QCheckBox::stateChanged, this, [this, page](int state) { setState(page, state); });
    }
}

QCheckBox* RomDialog::rowCheckBox(int row) const
{
    return qobject_cast<QCheckBox*>(m_table->cellWidget(row, 0));
}

void RomDialog::on_comboBox_currentIndexChanged(int index)
{
    m_bCombo = true;
    m_table->setCurrentCell(index, 0);
    if (m_isSave) {
        if (m_lineEdit->text().isEmpty())
            m_lineEdit->setText(m_fname);
        // The page the module boots from already boots.
        const bool bBoot = index == m_default;
        m_checkBox->setChecked(bBoot);
        m_checkBox->setEnabled(!bBoot);
    }
    m_bCombo = false;
}

void RomDialog::on_tableWidget_currentCellChanged(int currentRow, int, int, int previousColumn)
{
    if (m_bCombo || previousColumn < 0 || m_type == RomCommand::BootNum)
        return;
    m_comboBox->setCurrentIndex(currentRow);
}

void RomDialog::setState(int row, int state)
{
    if (m_bCombo)
        return;
    m_bCombo = true;
    if (state == Qt::Checked) {
        if (QCheckBox* previous = rowCheckBox(m_boot))
            previous->setChecked(false);
        m_boot = row;
    } else {
        m_boot = m_default;
        // The boot byte comes from the module and may name no row.
        if (QCheckBox* box = rowCheckBox(m_default))
            box->setChecked(true);
    }
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(m_boot != m_default);
    m_bCombo = false;
}

void RomDialog::on_buttonBox_accepted()
{
    if (m_type == RomCommand::BootNum) {
        if (comment(m_boot).isEmpty() && !confirmEmptyBootSlot())
            return;
        QByteArray none;
        m_host.setROMinfo(none, char(m_boot), 0);
        accept();
    } else if (m_type == RomCommand::Restore) {
        acceptRestore();
    } else {
        acceptSave();
    }
}

bool RomDialog::confirmEmptyBootSlot()
{
    Prompts::Box box;
    box.icon = QMessageBox::Warning;
    box.title = OperationText::TITLE;
    box.text = OperationText::EMPTY_BOOT_SLOT.arg(m_boot);
    box.informative = OperationText::CONTINUE;
    box.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    box.defaultButton = QMessageBox::Cancel;
    return m_host.prompts().ask(this, box) == QMessageBox::Yes;
}

void RomDialog::acceptRestore()
{
    if (m_host.isModified()) {
        const QMessageBox::StandardButton answer = m_host.prompts().message(
            this, QMessageBox::Warning, QString(),
            tr("The current document has been modified.\nDo you want to save your changes?"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !m_host.save()))
            return;
    }
    QByteArray none;
    m_host.setROMinfo(none, -1, quint32(m_comboBox->currentIndex()));
    accept();
}

void RomDialog::acceptSave()
{
    const QString text = m_lineEdit->text();
    const QString problem = OperationText::commentProblem(text);
    if (!problem.isEmpty()) {
        m_host.prompts().warning(this, OperationText::TITLE, problem);
        return;
    }
    const int page = m_comboBox->currentIndex();
    QByteArray record;
    if (text != comment(page)) {
        record = RomComment::record(text);
        m_buf[page] = record;
    }
    const char boot = page != m_default && m_checkBox->isChecked() ? char(page) : char(-1);
    m_host.setROMinfo(record, boot, quint32(page));
    accept();
}
