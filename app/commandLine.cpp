#include "commandLine.h"

#include <QHostAddress>

#include <unistd.h>

QString usageText(const char* argv0)
{
    // Everything up to the last backslash is dropped; forward slashes stay.
    QString name = QString::fromLocal8Bit(argv0 ? argv0 : "");
    const int slash = name.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 0)
        name = name.mid(slash + 1);
    return QStringLiteral("Usage: ") + name +
           QStringLiteral(" [-t <TCP port>] [-u <UDP port>] [-h <host address>] [-a <on/off>] "
                          "[-o <timeout>] [fileName]");
}

namespace {
bool readPort(const QString& text, quint16& port)
{
    bool ok = false;
    const quint16 value = text.toUShort(&ok, 10);
    if (ok)
        port = value;
    return ok;
}
} // namespace

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine cl;
    const QString usage = usageText(argc > 0 ? argv[0] : nullptr);
    optind = 0; // full re-initialisation, so the function can be called more than once
    int opt;
    while ((opt = getopt(argc, argv, "h:t:u:a:o:")) != -1) {
        const QString arg = QString::fromLocal8Bit(optarg ? optarg : "");
        bool accepted = true;
        switch (opt) {
        case 't':
            accepted = readPort(arg, cl.info.tcpPort);
            cl.supplied |= accepted;
            break;
        case 'u':
            accepted = readPort(arg, cl.info.udpPort);
            cl.supplied |= accepted;
            break;
        case 'o': {
            const uint value = arg.toUInt(&accepted, 10);
            if (accepted) {
                cl.info.timeout = int(value);
                cl.supplied = true;
            }
            break;
        }
        case 'h': {
            QHostAddress address;
            accepted = address.setAddress(arg);
            if (accepted) {
                cl.info.strAddr = address.toString();
                cl.supplied = true;
            }
            break;
        }
        case 'a':
            if (arg.contains(QLatin1String("off"))) {
                cl.info.bStart = false;
                cl.supplied = true;
            } else {
                accepted = arg.contains(QLatin1String("on"));
            }
            break;
        default:
            // Unknown options and missing arguments were reported by getopt itself.
            break;
        }
        if (!accepted)
            cl.error = usage;
    }
    const int rest = argc - optind;
    if (rest == 1)
        cl.fileName = QString::fromLocal8Bit(argv[optind]);
    else if (rest >= 2)
        cl.error = usage;
    // The toolkit's own argument scan must not see the last argument.
    cl.applicationArgc = rest >= 1 ? argc - 1 : argc;
    return cl;
}
