#include "device/netSetup.h"

#include "device/connectionOptions.h"
#include "device/qUdpThread.h"

#include <QStringList>

namespace {
// Offsets inside the EEPROM_LEN bytes that start at EEPROM_INFO.
constexpr int OFS_MAC = 0x00;
constexpr int OFS_IP = 0x06;

quint16 word(const QByteArray& data, int offset)
{
    return quint16((quint8(data.at(offset)) << 8) | quint8(data.at(offset + 1)));
}

// Each 16-bit field after the IP address, in EEPROM order: key, label, unit suffix, scale.
struct WordField
{
    const char* key;
    const char* label;
    const char* suffix;
    int scale;
};
const WordField WORD_FIELDS[] = {
    {"tcp_data_port", "TCP Data Port", "", 1},
    {"tcp_command_port", "TCP Command Port", "", 1},
    {"tcp_max_segment_size", "TCP Max Segment Size", "", 1},
    {"udp_port", "UDP Port", "", 1},
    {"tcp_keep_alive_not_empty_msec", "TCP Keep Alive(buffer not empty)", "msec", 1},
    {"tcp_keep_alive_empty_msec", "TCP Keep Alive(buffer empty)", "msec", 1},
    {"tcp_timeout_connecting_msec", "TCP Timeout (Connecting)", "msec", 1},
    {"tcp_timeout_disconnect_msec", "TCP Timeout (Disconnect)", "msec", 256},
    {"tcp_reconnect_interval_msec", "TCP Re-Connect Interval", "msec", 1},
    {"tcp_retransmission_timer_msec", "TCP Re-transmition Timer", "msec", 1},
};
constexpr int OFS_FIRST_WORD = 0x0A;

bool validPort(const QString& text, quint16& port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value >= 65536)
        return false;
    port = quint16(value);
    return true;
}
} // namespace

QVector<NetSetup::EepromField> NetSetup::eepromFields(const QByteArray& raw)
{
    QByteArray data = raw.left(EEPROM_LEN);
    data.append(QByteArray(EEPROM_LEN - data.size(), '\0'));

    QString mac = QStringLiteral("%1").arg(quint8(data.at(OFS_MAC)), 2, 16, QLatin1Char('0'));
    for (int i = 1; i < 6; ++i)
        mac += QStringLiteral(":%1").arg(quint8(data.at(OFS_MAC + i)), 2, 16, QLatin1Char('0'));
    QString ip = QString::number(quint8(data.at(OFS_IP)));
    for (int i = 1; i < 4; ++i)
        ip += QStringLiteral(".%1").arg(quint8(data.at(OFS_IP + i)));
    QVector<EepromField> fields = {
        {QStringLiteral("mac_address"), QStringLiteral("MAC Address"), mac, QString()},
        {QStringLiteral("ip_address"), QStringLiteral("IP Address"), ip, QString()}};
    int offset = OFS_FIRST_WORD;
    for (const WordField& field : WORD_FIELDS) {
        fields.append({QLatin1String(field.key), QLatin1String(field.label),
                       int(word(data, offset)) * field.scale, QLatin1String(field.suffix)});
        offset += 2;
    }
    return fields;
}

QString NetSetup::formatEepromInfo(const QByteArray& raw)
{
    QStringList lines;
    for (const EepromField& field : eepromFields(raw))
        lines.append(QStringLiteral("%1 : %2%3").arg(field.label, field.value.toString(), field.unit));
    return lines.join(QLatin1Char('\n'));
}

QString NetSetup::accessErrorText(const QString& addr, const QString& port)
{
    return QStringLiteral("Can't access Ostrum Module(%1:%2).\n").arg(addr, port) +
           QStringLiteral("Please check network connectivity.");
}

QString NetSetup::successText()
{
    return QStringLiteral("Succeeded in Updating the Ostrum module.\n") +
           QStringLiteral("Please reboot the Vextor.");
}

void NetSetup::setTarget(const QString& addr, const QString& port)
{
    m_strTargetAddr = addr;
    m_strTargetPort = port;
}

QString NetSetup::setNewSettings(const QString& ip, const QString& tcpPort, const QString& udpPort)
{
    if (!isModuleAddress(ip))
        return invalidAddressText(ip);
    quint16 tcp = 0;
    if (!validPort(tcpPort, tcp))
        return tcpPort + QStringLiteral(" is invalid port.");
    quint16 udp = 0;
    if (!validPort(udpPort, udp))
        return udpPort + QStringLiteral(" is invalid port.");
    m_strIp = ip;
    m_tcp = tcp;
    m_udp = udp;
    return QString();
}

void NetSetup::writeField(QUdpThread* udpSocket, quint32 addr, const QByteArray& bytes) const
{
    quint32 written = 0;
    try {
        written = udpSocket->Write(addr, bytes.constData(), quint32(bytes.size()));
    } catch (QTamp::ErrSts) {
        written = 0;
    }
    if (written == quint32(bytes.size()))
        return;
    try {
        udpSocket->EnableWriteEEPROM(false);
    } catch (QTamp::ErrSts) {
        // the write failure is what gets reported
    }
    throw QStringLiteral("Can't Write Ostrum Module(%1:%2)").arg(m_strTargetAddr, m_strTargetPort);
}

void NetSetup::setInfo(QUdpThread* udpSocket)
{
    bool enabled = false;
    try {
        enabled = udpSocket->EnableWriteEEPROM(true);
    } catch (QTamp::ErrSts) {
        enabled = false;
    }
    if (!enabled)
        throw accessErrorText(m_strTargetAddr, m_strTargetPort);

    QByteArray ip;
    for (const QString& part : m_strIp.split(QLatin1Char('.')))
        ip.append(char(part.toUInt()));
    QByteArray tcp;
    QUdpThread::addValue(tcp, m_tcp);
    QByteArray udp;
    QUdpThread::addValue(udp, m_udp);

    writeField(udpSocket, EEPROM_ADDR, ip);
    writeField(udpSocket, EEPROM_TCP, tcp);
    writeField(udpSocket, EEPROM_UDP, udp);
    udpSocket->EnableWriteEEPROM(false);
}
