#include "mainwindow.h"

// The icons and block pictures live in the static core library; nothing else refers to their
// resource object, so the window registers them before anything is drawn.
static void registerPictures()
{
    Q_INIT_RESOURCE(draggableicons);
}

MainWindow::MainWindow(QString& fileName, InfoOstrum* info, QWidget* parent)
    : QMainWindow(parent)
    , m_parent(parent ? parent : this)
{
    registerPictures();
    setMaximumWidth(970);
    setGeometry(9, 36, 950, 690);
    setTitle(QStringLiteral("NewFile"), QStringLiteral("Vextor Ⅲ"));

    if (info) {
        m_infoOstrum = InfoOstrum::defaults(true);
        m_infoOstrum.strAddr = info->strAddr;
        m_infoOstrum.tcpPort = info->tcpPort;
        m_infoOstrum.udpPort = info->udpPort;
        m_infoOstrum.timeout = info->timeout;
        m_infoOstrum.bStart = info->bStart;
        m_infoDefaultOstrum = m_infoOstrum;
    } else {
        m_infoOstrum = InfoOstrum::defaults(true);
    }
    Q_UNUSED(fileName);
}

MainWindow::~MainWindow() = default;

void MainWindow::setTitle(const QString& file, const QString& program)
{
    m_parent->setWindowTitle(tr("%1[*] - %2").arg(file, program));
}
