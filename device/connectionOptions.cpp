#include "device/connectionOptions.h"

#include <QHostAddress>

namespace {
bool readPort(const QString& text, quint16& port)
{
    bool ok = false;
    const quint16 value = text.toUShort(&ok, 10);
    if (ok)
        port = value;
    return ok;
}

OptionResult stored(bool accepted)
{
    return accepted ? OptionResult::Stored : OptionResult::Refused;
}
} // namespace

OptionResult applyConnectionOption(int option, const QString& arg, InfoOstrum& info, QString* reason)
{
    switch (option) {
    case 't':
        return stored(readPort(arg, info.tcpPort));
    case 'u':
        return stored(readPort(arg, info.udpPort));
    case 'o': {
        bool ok = false;
        const uint value = arg.toUInt(&ok, 10);
        if (!ok || !InfoOstrum::isTimeoutInRange(value, reason))
            return OptionResult::Refused;
        info.timeout = int(value);
        return OptionResult::Stored;
    }
    case 'h': {
        QHostAddress address;
        if (!address.setAddress(arg))
            return OptionResult::Refused;
        info.strAddr = address.toString();
        return OptionResult::Stored;
    }
    case 'a':
        if (arg.contains(QLatin1String("off"))) {
            info.bStart = false;
            return OptionResult::Stored;
        }
        return arg.contains(QLatin1String("on")) ? OptionResult::Accepted : OptionResult::Refused;
    default:
        return OptionResult::Refused;
    }
}

bool isModuleAddress(const QString& text)
{
    QHostAddress address;
    return text.split(QLatin1Char('.'), Qt::SkipEmptyParts).size() == 4 && address.setAddress(text) &&
           address.protocol() == QAbstractSocket::IPv4Protocol;
}

QString invalidAddressText(const QString& text)
{
    return text + QStringLiteral(" is invalid address.");
}
