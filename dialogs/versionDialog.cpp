#include "dialogs/versionDialog.h"

#include "dialogs/deviceDialogHost.h"
#include "editor/prompts.h"
#include "operations/moduleOperations.h"
#include "operations/operationTexts.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>

VersionDialog::VersionDialog(DeviceDialogHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_version(
          new QLabel(softwareVersion(QApplication::applicationDirPath() + QStringLiteral("/version.txt"))))
    , m_fpga(new QLineEdit)
    , m_load(new QPushButton(tr("&Load")))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("Version Information"));
    m_version->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_fpga->setReadOnly(true);
    m_load->setObjectName(QStringLiteral("pushButton"));
    auto* aboutQt = new QPushButton(tr("About Qt ..."));
    aboutQt->setObjectName(QStringLiteral("pushButton_2"));
    auto* ok = new QPushButton(tr("&OK"));
    ok->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_version, 0, 0, 1, 3);
    layout->addWidget(new QLabel(tr("FPGA Version:")), 1, 0);
    layout->addWidget(m_fpga, 1, 1);
    layout->addWidget(m_load, 1, 2);
    layout->addWidget(new QLabel(tr("This Software uses Qt LGPL.")), 2, 0, 1, 2);
    layout->addWidget(aboutQt, 2, 2);
    layout->addWidget(ok, 3, 2);
    connect(m_load, &QPushButton::clicked, this, &VersionDialog::on_pushButton_clicked);
    connect(aboutQt, &QPushButton::clicked, this, &VersionDialog::on_pushButton_2_clicked);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

VersionDialog::~VersionDialog() = default;

QString VersionDialog::softwareVersion(const QString& fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.startsWith(QLatin1Char('v')))
                return QStringLiteral("Software Version ") + line.mid(1);
        }
    }
    return QLatin1String(BUILT_IN_VERSION);
}

void VersionDialog::on_pushButton_clicked()
{
    m_load->setEnabled(false);
    m_operation = std::make_unique<ReadOperation>(m_host.infoOstrum(), QUdpThread::REG_VERSION,
                                                  QUdpThread::VERSION_SIZE);
    connect(m_operation.get(), &DeviceOperation::finished, this, [this] {
        // The operation is still on the call stack that delivered its end.
        DeviceOperation* done = m_operation.release();
        done->deleteLater();
        OperationOutcome outcome = done->outcome();
        if (outcome.isDone())
            setVersion(&outcome.data);
        else
            onError(&outcome.message);
        end(outcome.isDone());
    });
    m_operation->start();
}

void VersionDialog::on_pushButton_2_clicked()
{
    QMessageBox::aboutQt(this);
}

void VersionDialog::setVersion(QByteArray* data)
{
    QString& fpga = m_host.infoOstrum().strFPGA;
    fpga.clear();
    for (const char byte : qAsConst(*data))
        fpga += QStringLiteral("%1").arg(quint8(byte), 2, 16, QLatin1Char('0'));
    // The bytes, and after them the version as vextor-cli prints it.
    m_fpga->setText(QStringLiteral("%1 (%2)").arg(fpga, OperationText::versionText(*data)));
}

void VersionDialog::onError(QString* text)
{
    m_estr = *text;
}

void VersionDialog::end(bool ok)
{
    m_load->setEnabled(true);
    if (!ok && !m_estr.isEmpty()) {
        m_host.prompts().warning(this, OperationText::TITLE, m_estr);
        m_estr.clear();
    }
}
