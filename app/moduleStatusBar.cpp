#include "app/moduleStatusBar.h"

#include "operations/operationTexts.h"

#include <QLabel>
#include <QStatusBar>

ModuleStatusBar::ModuleStatusBar(QStatusBar* bar)
    : m_label(new QLabel)
{
    m_label->setObjectName(QStringLiteral("moduleStatus"));
    bar->addPermanentWidget(m_label, 1);
}

QString ModuleStatusBar::key(const InfoOstrum& target)
{
    return QStringLiteral("%1:%2").arg(target.strAddr).arg(target.udpPort);
}

void ModuleStatusBar::holds(const InfoOstrum& target, const RegisterImage& image)
{
    forget();
    m_moduleKey = key(target);
    m_holds = image;
}

void ModuleStatusBar::differsFrom(const InfoOstrum& target, const RegisterImage& image)
{
    forget();
    m_moduleKey = key(target);
    m_differsFrom = image;
}

void ModuleStatusBar::holdsPartly(const InfoOstrum& target)
{
    forget();
    m_moduleKey = key(target);
    m_bPartly = true;
}

void ModuleStatusBar::forget()
{
    m_holds.reset();
    m_differsFrom.reset();
    m_bPartly = false;
}

void ModuleStatusBar::setHardware(const InfoOstrum& target, const QByteArray& version)
{
    m_versionKey = key(target);
    m_version = version;
}

ModuleStatusBar::Match ModuleStatusBar::match(const InfoOstrum& target, BlockDiagram& diagram) const
{
    if (key(target) != m_moduleKey || (!m_holds && !m_differsFrom && !m_bPartly))
        return Match::Unknown;
    if (m_bPartly)
        return Match::Differs;
    RegisterImage image;
    try {
        image = RegisterImage::of(diagram);
    } catch (const QString&) {
        return Match::Differs; // a diagram that does not compile is in no module
    }
    if (m_holds)
        return m_holds->matches(image) ? Match::Matched : Match::Differs;
    return m_differsFrom->matches(image) ? Match::Differs : Match::Unknown;
}

QString ModuleStatusBar::matchText(Match match)
{
    switch (match) {
    case Match::Matched:
        return QObject::tr("matched");
    case Match::Differs:
        return QObject::tr("differs");
    case Match::Unknown:
        break;
    }
    return QObject::tr("unknown");
}

void ModuleStatusBar::show(const InfoOstrum& target, BlockDiagram& diagram)
{
    QString text =
        QObject::tr("Module %1  UDP %2  TCP %3").arg(target.strAddr).arg(target.udpPort).arg(target.tcpPort);
    if (key(target) == m_versionKey && !m_version.isEmpty())
        text += QObject::tr("  |  Hardware %1").arg(OperationText::versionText(m_version));
    text += QObject::tr("  |  Document %1").arg(matchText(match(target, diagram)));
    m_label->setText(text);
}

QString ModuleStatusBar::text() const
{
    return m_label->text();
}
