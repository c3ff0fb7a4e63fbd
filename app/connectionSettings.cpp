#include "app/connectionSettings.h"

ConnectionSettings::ConnectionSettings(const InfoOstrum* commandLine)
{
    if (!commandLine)
        return;
    m_infoDefaultOstrum = InfoOstrum::defaults(true);
    m_infoDefaultOstrum.strAddr = commandLine->strAddr;
    m_infoDefaultOstrum.tcpPort = commandLine->tcpPort;
    m_infoDefaultOstrum.udpPort = commandLine->udpPort;
    m_infoDefaultOstrum.timeout = commandLine->timeout;
    m_infoDefaultOstrum.bStart = commandLine->bStart;
}

InfoOstrum ConnectionSettings::initial() const
{
    return hasCommandLine() ? m_infoDefaultOstrum : InfoOstrum::defaults(true);
}

InfoOstrum ConnectionSettings::cleared() const
{
    return hasCommandLine() ? m_infoDefaultOstrum : InfoOstrum::defaults(false);
}

bool ConnectionSettings::applyCommandLine(InfoOstrum& settings) const
{
    if (!hasCommandLine() || !settings.differsFrom(m_infoDefaultOstrum))
        return false;
    settings = m_infoDefaultOstrum;
    return true;
}
