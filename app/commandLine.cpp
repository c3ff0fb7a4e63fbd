#include "app/commandLine.h"

#include <cstring>
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
                          "[-o <timeout>] [fileName]\n       ") +
           name + QStringLiteral(" --version");
}

bool asksForVersion(int argc, char** argv)
{
    // "--" ends the options: a document may be named "--version".
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return true;
    }
    return false;
}

CommandLine parseCommandLine(int argc, char** argv)
{
    CommandLine cl;
    const QString usage = usageText(argc > 0 ? argv[0] : nullptr);
    optind = 0; // full re-initialisation, so the function can be called more than once
    int opt;
    while ((opt = getopt(argc, argv, "h:t:u:a:o:")) != -1) {
        // Unknown options and missing arguments were reported by getopt itself.
        if (opt == '?' || opt == ':')
            continue;
        const QString arg = QString::fromLocal8Bit(optarg ? optarg : "");
        QString reason;
        const OptionResult result = applyConnectionOption(opt, arg, cl.info, &reason);
        if (result == OptionResult::Stored)
            cl.supplied = true;
        else if (result == OptionResult::Refused)
            cl.error = reason.isEmpty() ? usage : usage + QLatin1Char('\n') + reason;
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
