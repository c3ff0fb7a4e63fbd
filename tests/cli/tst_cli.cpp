#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Runs the built vextor-cli as a process: exit codes, messages and the printed
// register image.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void imageOrderAndValues();
    void imageExpressionError();

private:
    struct Result
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList& args);
    QString writeFile(const QString& name, const QByteArray& content);

    QTemporaryDir m_dir;
};

namespace {
QString example(const char* name)
{
    return QStringLiteral(VEXTOR_SOURCE_DIR "/examples/") + QLatin1String(name);
}

// A diagram that only has an output without a source.
const char* const LONELY_OUTPUT = R"(<?xml version="1.0" encoding="UTF-8"?>
<Vextor3 addr="192.168.10.16" tcpPort="24" udpPort="4660" Timeout="1" autoConnect="true">
    <tab id="0" name="Sheet1">
        <entry term="OUT-CH0">
            <id>0</id>
            <name>OUT-CH0</name>
        </entry>
    </tab>
</Vextor3>
)";

// A PreLogic that feeds a counter has an expression that cannot be evaluated.
const char* const BAD_EXPRESSION = R"(<?xml version="1.0" encoding="UTF-8"?>
<Vextor3 addr="192.168.10.16" tcpPort="24" udpPort="4660" Timeout="1" autoConnect="true">
    <tab id="0" name="Sheet1">
        <entry term="Input">
            <id>0</id>
            <name>IN-CH0</name>
        </entry>
        <entry term="PreLogic">
            <id>0</id>
            <name>PreLgc0</name>
            <net port="0">IN-CH0</net>
            <property>_A or</property>
        </entry>
        <entry term="CntFnc">
            <id>0</id>
            <name>CntFnc0</name>
            <net port="0">PreLgc0</net>
        </entry>
    </tab>
</Vextor3>
)";

// A PreLogic with an input it does not use: a warning only.
const char* const WARNING_ONLY = R"(<?xml version="1.0" encoding="UTF-8"?>
<Vextor3 addr="192.168.10.16" tcpPort="24" udpPort="4660" Timeout="1" autoConnect="true">
    <tab id="0" name="Sheet1">
        <entry term="Input">
            <id>0</id>
            <name>IN-CH0</name>
        </entry>
        <entry term="PreLogic">
            <id>0</id>
            <name>PreLgc0</name>
            <net port="0">IN-CH0</net>
            <property>true</property>
        </entry>
    </tab>
</Vextor3>
)";
} // namespace

void TestCli::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli")).isExecutable());
    QVERIFY(m_dir.isValid());
}

TestCli::Result TestCli::run(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"), args);
    Result r;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QString TestCli::writeFile(const QString& name, const QByteArray& content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

void TestCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");     // exact standard output
    QTest::addColumn<QString>("errPart"); // contained in standard error; empty: no message

    const QString usage = QStringLiteral("Usage: vextor-cli [-h host]");
    const QString missing = m_dir.filePath(QStringLiteral("missing.vxt3"));
    const QString lonely = writeFile(QStringLiteral("lonely.vxt3"), LONELY_OUTPUT);
    const QString warning = writeFile(QStringLiteral("warning.vxt3"), WARNING_ONLY);
    const QString foreign = writeFile(QStringLiteral("foreign.xml"), "<?xml version=\"1.0\"?>\n<html/>\n");
    const QString empty = writeFile(QStringLiteral("empty.vxt3"), QByteArray());
    const QString broken = writeFile(QStringLiteral("broken.vxt3"), "<Vextor3><tab id=\"0\" name=\"x\">\n");

    QTest::newRow("no command") << QStringList() << 64 << QString() << usage;
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 64 << QString()
                                     << "vextor-cli: unknown command: frobnicate";
    QTest::newRow("image without document")
        << QStringList{"image"} << 64 << QString() << "Usage: vextor-cli image DOC";
    QTest::newRow("drc with two documents")
        << QStringList{"drc", lonely, lonely} << 64 << QString() << "Usage: vextor-cli drc DOC";
    QTest::newRow("refused option value") << QStringList{"-t", "70000", "drc", lonely} << 64 << QString()
                                          << "vextor-cli: invalid value for -t: 70000";
    QTest::newRow("unknown option") << QStringList{"-z", "drc", lonely} << 64 << QString() << usage;

    QTest::newRow("drc clean example")
        << QStringList{"drc", example("coincidence.vxt3")} << 0 << "No error detected.\n"
        << QString();
    QTest::newRow("drc with options")
        << QStringList{"-h", "127.0.0.1", "-o", "2", "drc", example("scaler.vxt3")} << 0
        << "No error detected.\n"
        << QString();
    QTest::newRow("drc errors") << QStringList{"drc", lonely} << 1
                                << "error: OUT-CH0: InputPort is not connected.\n"
                                << QString();
    QTest::newRow("drc warnings pass") << QStringList{"drc", warning} << 0
                                       << "warning: PreLgc0: Outport is not connected.\n"
                                          "warning: PreLgc0: _A is connected, but not used.\n"
                                       << QString();
    QTest::newRow("drc missing file")
        << QStringList{"drc", missing} << 2 << QString() << missing + ": No such file or directory.";
    QTest::newRow("image missing file")
        << QStringList{"image", missing} << 2 << QString() << missing + ": No such file or directory.";
    QTest::newRow("image of a foreign XML file")
        << QStringList{"image", foreign} << 2 << QString()
        << "File specified in " + foreign + " is not a valid XML file for Vextor3.";
    QTest::newRow("drc of malformed XML")
        << QStringList{"drc", broken} << 2 << QString() << "Parse error at line";
}

void TestCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, errPart);

    const Result r = run(args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    if (errPart.isEmpty())
        QCOMPARE(r.err, QString());
    else
        QVERIFY2(r.err.count(errPart) == 1, qPrintable(r.err)); // reported once
}

void TestCli::imageOrderAndValues()
{
    const Result r = run({QStringLiteral("image"), example("coincidence.vxt3")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    QVERIFY(r.out.endsWith(QLatin1Char('\n')));
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    // Registers 0x04..0x6D, 0x70..0x7F, 0x88..0x8F, then the four tables, one
    // line per byte.
    QVector<quint32> addresses;
    for (quint32 a = 0x04; a <= 0x6D; ++a)
        addresses.append(a);
    for (quint32 a = 0x70; a <= 0x7F; ++a)
        addresses.append(a);
    for (quint32 a = 0x88; a <= 0x8F; ++a)
        addresses.append(a);
    for (quint32 a = 0x2000; a <= 0x3FFF; ++a)
        addresses.append(a);
    QCOMPARE(addresses.size(), 130 + 4 * 2048);
    QCOMPARE(lines.size(), addresses.size());

    const QRegularExpression form(QStringLiteral("^[0-9a-f]{8} [0-9a-f]{2}$"));
    QMap<quint32, QString> value;
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY2(form.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
        QCOMPARE(lines.at(i).left(8).toUInt(nullptr, 16), addresses.at(i));
        value.insert(addresses.at(i), lines.at(i).mid(9));
    }

    // The gate generator (one counter, mode 0, 100 ns main, 20 ns sub) takes unit
    // 0.
    QCOMPARE(value.value(0x06) + value.value(0x07),
             QStringLiteral("0700"));                  // backend select: slots 8..10
    QCOMPARE(value.value(0x08), QStringLiteral("00")); // mode 0
    QCOMPARE(value.value(0x23), QStringLiteral("64")); // main count 100
    QCOMPARE(value.value(0x27), QStringLiteral("13")); // sub count 20 - 1
    QCOMPARE(value.value(0x68), QStringLiteral("01")); // OUT-CH0 NIM
    QCOMPARE(value.value(0x69), QStringLiteral("02")); // OUT-CH1 TTL
    QCOMPARE(value.value(0x6B),
             QStringLiteral("03")); // IN-CH0, IN-CH1 active low
    QCOMPARE(value.value(0x70) + value.value(0x71),
             QStringLiteral("06b8")); // threshold 1720
    QCOMPARE(value.value(0x72) + value.value(0x73), QStringLiteral("06b8"));
    QCOMPARE(value.value(0x74) + value.value(0x75),
             QStringLiteral("0000")); // IN-CH2 not placed
    // Frontend: unit 0 triggers exactly when IN-CH0 and IN-CH1 are both on (c =
    // 3).
    QCOMPARE(value.value(0x2000 + 2 * 1), QStringLiteral("00"));
    QCOMPARE(value.value(0x2000 + 2 * 3), QStringLiteral("01"));
    QCOMPARE(value.value(0x2000 + 2 * 1023), QStringLiteral("01"));
    // Outputs follow backend slot 3 (the counter of unit 0).
    QCOMPARE(value.value(0x2800 + 0x07), QStringLiteral("00"));
    QCOMPARE(value.value(0x2800 + 0x08), QStringLiteral("03"));
    QCOMPARE(value.value(0x3000 + 0x08), QStringLiteral("00")); // no feedback
}

void TestCli::imageExpressionError()
{
    const QString bad = writeFile(QStringLiteral("bad.vxt3"), BAD_EXPRESSION);
    const Result r = run({QStringLiteral("image"), bad});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, QStringLiteral("PreLgc0: invalid at EOF\n"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
