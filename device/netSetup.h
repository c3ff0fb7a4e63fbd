#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

class QUdpThread;

// The module's network settings as kept in the EEPROM of its network block: formatting of the
// EEPROM read-out, checks of new settings, and the write sequence that a device worker runs for
// them. Shared by the network setup dialog and the command-line tool; needs no widget.
class NetSetup
{
public:
    static constexpr int EEPROM_LEN = 30;
    static constexpr quint32 EEPROM_INFO = 0xFFFFFC12;
    static constexpr quint32 EEPROM_ADDR = 0xFFFFFC18;
    static constexpr quint32 EEPROM_TCP = 0xFFFFFC1C;
    static constexpr quint32 EEPROM_UDP = 0xFFFFFC22;

    virtual ~NetSetup() = default;

    // One field of the EEPROM read-out: a short name for scripts ("tcp_data_port"), the label the
    // read-out shows, its value (the text of the MAC and IP addresses, a number for the others)
    // and the unit after the number ("msec" or empty).
    struct EepromField
    {
        QString key;
        QString label;
        QVariant value;
        QString unit;
    };
    // The fields of the EEPROM_LEN bytes read from EEPROM_INFO (missing bytes read as 0), in order.
    static QVector<EepromField> eepromFields(const QByteArray& data);
    // One line "<label> : <value><unit>" per field.
    static QString formatEepromInfo(const QByteArray& data);

    // "Can't access Ostrum Module(addr:port).\nPlease check network connectivity."
    static QString accessErrorText(const QString& addr, const QString& port);
    static QString successText();

    // Where the module is reached now (used in the messages of the write sequence).
    void setTarget(const QString& addr, const QString& port);

    // Checks and keeps the settings to write; returns the warning text of the first invalid
    // field, or an empty string when all three are acceptable.
    QString setNewSettings(const QString& ip, const QString& tcpPort, const QString& udpPort);

    const QString& newAddress() const { return m_strIp; }
    quint16 newTcpPort() const { return m_tcp; }
    quint16 newUdpPort() const { return m_udp; }

    // The write sequence; runs in the worker's thread, throws QString on failure.
    virtual void setInfo(QUdpThread* udpSocket);

private:
    void writeField(QUdpThread* udpSocket, quint32 addr, const QByteArray& bytes) const;

    QString m_strTargetAddr;
    QString m_strTargetPort;
    QString m_strIp;
    quint16 m_tcp = 0;
    quint16 m_udp = 0;
};
