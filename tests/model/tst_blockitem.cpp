#include "blockItem.h"
#include "nimLogic.h"

#include <QtTest>

#include <functional>
#include <memory>

using BlockFactory = std::function<BlockItem*(const QString& name)>;
Q_DECLARE_METATYPE(BlockFactory)

namespace {
// Settings readers work on any block; a plain function block carries the string.
std::unique_ptr<BlockItem> withSettings(const QString& settings)
{
    auto block = std::make_unique<NIMFunction>(0, 0, QStringLiteral("CntFnc0"));
    block->setPropertyString(settings);
    return block;
}

QSize iconOf(const char* resource)
{
    return QPixmap(QString::fromLatin1(resource)).size();
}
} // namespace

class TestBlockItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void settingsValue_data();
    void settingsValue();
    void counterText_data();
    void counterText();
    void delay_data();
    void delay();
    void inputSettings_data();
    void inputSettings();
    void inputOscillator_data();
    void inputOscillator();
    void setUserControl();
    void outputSettings_data();
    void outputSettings();
    void counterFunction_data();
    void counterFunction();
    void measureCounterMode_data();
    void measureCounterMode();

    void fanOutAndDelPort();
    void setPortReleasesPreviousDriver();
    void portByPoint();
    void destructorDisconnects();

    void legacyNames_data();
    void legacyNames();
    void userName();

    void geometry_data();
    void geometry();
    void lines_data();
    void lines();
};

void TestBlockItem::initTestCase()
{
    QVERIFY(BlockItem::guiAvailable());
    // The icons are compiled into the core library; a block finds them without help from the
    // program that links it.
    NIM_IN probe(0, 0, QStringLiteral("IN-CH0"));
    QVERIFY(!probe.getPixmap().isNull());
    QVERIFY(!QPixmap(QStringLiteral(":/images/PreLgc.png")).isNull());
}

// ---------------------------------------------------------------------------------------------
// Settings strings

void TestBlockItem::settingsValue_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    auto row = [](const char* tag, const QString& settings, const QString& key, const QString& value) {
        QTest::newRow(tag) << settings << key << value;
    };
    const QString msr = QStringLiteral("Mode=1 Unit=ms FileSave=true PATH=/tmp/my dir");
    row("last value runs to the end, blank included", msr, "PATH", "/tmp/my dir");
    row("middle value", msr, "Unit", "ms");
    row("value with blanks before a key", "PATH=/a b c Mode=2", "PATH", "/a b c");
    row("two blanks keep one", "Mode=1  Unit=ms", "Mode", "1 ");
    row("no blank: next key included", "A=fooB=1", "A", "fooB");
    row("blank at start is not scanned", "A= B=1", "A", " B");
    row("only blanks before next key", "A=  B=1", "A", " ");
    row("empty before '='", "A==1", "A", "");
    row("empty at the end", "Mode=1 Delay=", "Delay", "");
    row("trailing blank kept", "bNIM=true bTTL=false ", "bTTL", "false ");
    row("absent key", "Mode=1", "Unit", "");
    row("case-sensitive", "mode=1", "Mode", "");
    row("key as plain substring", "SubCnt=3 MainCnt=5", "Cnt", "3");
    row("first occurrence", "Mode=1 Mode=2", "Mode", "1");
}

void TestBlockItem::settingsValue()
{
    QFETCH(QString, settings);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(::settingsValue(settings, key), value);

    auto block = withSettings(settings);
    QString out = QStringLiteral("stale");
    block->getStr(out, key);
    QCOMPARE(out, value);
}

void TestBlockItem::counterText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("ns");
    QTest::addColumn<QString>("rest");

    QTest::newRow("bare number") << "5" << 5u << "5";
    QTest::newRow("nsec") << "200nsec" << 200u << "200";
    QTest::newRow("usec fraction") << "1.5usec" << 1500u << "1.5";
    QTest::newRow("sec") << "2sec" << 2000000000u << "2";
    QTest::newRow("rounds half up") << "2.5" << 3u << "2.5";
    QTest::newRow("fraction of usec rounds") << "0.0625usec" << 63u << "0.0625";
    QTest::newRow("full 32 bits") << "4.294967295sec" << 4294967295u << "4.294967295";
    QTest::newRow("exponent") << "1e3nsec" << 1000u << "1e3";
    QTest::newRow("unit with blank") << "5 usec" << 5000u << "5 ";
    QTest::newRow("unit inside") << "10usec5" << 105000u << "105";
    QTest::newRow("nsec tested before usec") << "1usecnsec" << 0u << "1usec";
    QTest::newRow("sec alone at 0") << "sec" << 0u << "sec";
    QTest::newRow("nsec alone: sec at 1") << "nsec" << 0u << "n";
    QTest::newRow("junk") << "12abc" << 0u << "12abc";
    QTest::newRow("empty") << "" << 0u << "";
}

void TestBlockItem::counterText()
{
    QFETCH(QString, text);
    QFETCH(uint, ns);
    QFETCH(QString, rest);
    QString s = text;
    QCOMPARE(uint(counterTextToNanoseconds(s)), ns);
    QCOMPARE(s, rest);

    auto block = withSettings(QString());
    s = text;
    QCOMPARE(uint(block->cntStrToULong(s)), ns);
    QCOMPARE(s, rest);
}

void TestBlockItem::delay_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("ns");

    QTest::newRow("us decimal") << "Delay=1.25us" << 1250;
    QTest::newRow("ns integer") << "Delay=100ns" << 100;
    QTest::newRow("bare integer") << "Delay=40" << 40;
    QTest::newRow("negative integer") << "Delay=-5" << -5;
    QTest::newRow("ns needs an integer") << "Delay=1.5ns" << 0;
    QTest::newRow("bare decimal refused") << "Delay=1.5" << 0;
    QTest::newRow("unit alone") << "Delay=us" << 0;
    QTest::newRow("junk") << "Delay=abc" << 0;
    QTest::newRow("not at the start") << "Mode=1 Delay=40" << 0;
    QTest::newRow("case-sensitive") << "delay=40" << 0;
}

void TestBlockItem::delay()
{
    QFETCH(QString, settings);
    QFETCH(int, ns);
    auto block = withSettings(settings);
    QCOMPARE(NIMDlyFnc::getDly(block.get()), ns);
}

void TestBlockItem::inputSettings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("userControl");
    QTest::addColumn<bool>("bUser");
    QTest::addColumn<bool>("bHigh");
    QTest::addColumn<int>("vth");
    auto row = [](const char* tag, const QString& name, const QString& settings, bool control, bool user,
                  bool high,
                  int vth) { QTest::newRow(tag) << name << settings << control << user << high << vth; };
    row("empty", "IN-CH0", "", false, false, false, 1720);
    row("IN-USER empty is user control", "IN-USER", "", true, false, false, 1720);
    row("normal", "IN-CH3", "bUser=false bHigh=true Vth=900", false, false, true, 900);
    row("user flag, full scale", "IN-OPT", "bUser=true bHigh=false Vth=4095", false, true, false, 4095);
    row("user control gives defaults", "IN-CH1", "bUserControl=true", true, false, false, 1720);
    row("IN-USER with settings", "IN-USER", "bUser=true bHigh=true Vth=100", false, true, true, 100);
    row("threshold not a number", "IN-CH0", "bUser=true bHigh=true Vth=abc", false, true, true, 0);
    row("threshold beyond 16 bits", "IN-CH0", "bUser=false bHigh=false Vth=70000", false, false, false, 0);
}

void TestBlockItem::inputSettings()
{
    QFETCH(QString, name);
    QFETCH(QString, settings);
    QFETCH(bool, userControl);
    QFETCH(bool, bUser);
    QFETCH(bool, bHigh);
    QFETCH(int, vth);

    NIM_IN input(0, 0, name);
    input.setPropertyString(settings);
    QCOMPARE(input.bUserControl(), userControl);
    QCOMPARE(input.bHigh(), bHigh);
    QCOMPARE(int(input.getVth()), vth);

    bool user = !bUser;
    bool high = !bHigh;
    quint16 threshold = 1;
    input.getInputProperty(user, high, threshold);
    QCOMPARE(user, bUser);
    QCOMPARE(high, bHigh);
    QCOMPARE(int(threshold), vth);
}

void TestBlockItem::inputOscillator_data()
{
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("sub");
    QTest::addColumn<QString>("disp");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<uint>("mainCnt");
    QTest::addColumn<uint>("subCnt");
    auto row = [](const char* tag, const QString& main, const QString& sub, const QString& disp,
                  const QString& settings, uint mainCnt, uint subCnt) {
        QTest::newRow(tag) << main << sub << disp << settings << mainCnt << subCnt;
    };
    row("units", "1.5usec", "200nsec", "", "MainCnt=1.5usec SubCnt=200nsec", 1500, 199);
    row("display text", "1msec", "2", "1 kHz", "MainCnt=1msec SubCnt=2 Disp=1 kHz", 1000000, 1);
    row("zero sub stays zero", "0", "0", "", "MainCnt=0 SubCnt=0", 0, 0);
}

void TestBlockItem::inputOscillator()
{
    QFETCH(QString, main);
    QFETCH(QString, sub);
    QFETCH(QString, disp);
    QFETCH(QString, settings);
    QFETCH(uint, mainCnt);
    QFETCH(uint, subCnt);

    NIM_IN input(0, 0, QStringLiteral("IN-CH2"));
    input.setCnt(main, sub, disp);
    QCOMPARE(input.getProperty(), settings);
    QCOMPARE(uint(input.getMainCnt()), mainCnt);
    QCOMPARE(uint(input.getSubCnt()), subCnt);
    QString shown;
    input.getDisp(shown);
    QCOMPARE(shown, disp);
}

void TestBlockItem::setUserControl()
{
    NIM_IN input(0, 0, QStringLiteral("IN-CH0"));
    input.setPropertyString(QStringLiteral("bUser=true bHigh=true Vth=900"));
    input.setUserControl();
    QCOMPARE(input.getProperty(), QStringLiteral("bUserControl=true"));
    QVERIFY(input.bUserControl());
    QVERIFY(!input.bHigh());
    QCOMPARE(int(input.getVth()), 1720);
}

void TestBlockItem::outputSettings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("bNIM");
    QTest::addColumn<bool>("bTTL");

    QTest::newRow("empty is NIM, not TTL") << "" << true << false;
    QTest::newRow("NIM") << "bNIM=true bTTL=false " << true << false;
    QTest::newRow("TTL") << "bNIM=false bTTL=true " << false << true;
    QTest::newRow("neither") << "bNIM=false bTTL=false " << false << false;
    QTest::newRow("junk") << "x" << false << false;
}

void TestBlockItem::outputSettings()
{
    QFETCH(QString, settings);
    QFETCH(bool, bNIM);
    QFETCH(bool, bTTL);
    NIMOut out(0, 0, QStringLiteral("OUT-CH0"));
    out.setPropertyString(settings);
    bool nim = !bNIM;
    bool ttl = !bTTL;
    out.getOutputProperty(nim, ttl);
    QCOMPARE(nim, bNIM);
    QCOMPARE(ttl, bTTL);
}

void TestBlockItem::counterFunction_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("mainCnt");
    QTest::addColumn<uint>("subCnt");

    QTest::newRow("empty: smallest mode-0 counts") << "" << 0 << 5u << 4u;
    QTest::newRow("mode 3 keeps sub") << "Mode=3 MainCnt=1.5usec SubCnt=200nsec" << 3 << 1500u << 200u;
    QTest::newRow("mode 1 sub minus one") << "Mode=1 MainCnt=1.5usec SubCnt=200nsec" << 1 << 1500u << 199u;
    QTest::newRow("mode 1 sub zero stays") << "Mode=1 MainCnt=5 SubCnt=0" << 1 << 5u << 0u;
    QTest::newRow("mode 8 minus one") << "Mode=8 MainCnt=5 SubCnt=10" << 8 << 5u << 9u;
    QTest::newRow("mode 10 minus one") << "Mode=10 MainCnt=5 SubCnt=10" << 10 << 5u << 9u;
    QTest::newRow("mode 2 keeps") << "Mode=2 MainCnt=5 SubCnt=10" << 2 << 5u << 10u;
    QTest::newRow("mode 11 keeps") << "Mode=11 MainCnt=5 SubCnt=10" << 11 << 5u << 10u;
    QTest::newRow("no mode: minus one") << "MainCnt=10 SubCnt=10" << 0 << 10u << 9u;
    QTest::newRow("mode not a number") << "Mode=x MainCnt=10 SubCnt=10" << 0 << 10u << 9u;
    QTest::newRow("seconds, sub unit only") << "Mode=2 MainCnt=2sec SubCnt=sec" << 2 << 2000000000u << 0u;
    QTest::newRow("mode only: counts zero") << "Mode=3" << 3 << 0u << 0u;
}

void TestBlockItem::counterFunction()
{
    QFETCH(QString, settings);
    QFETCH(int, mode);
    QFETCH(uint, mainCnt);
    QFETCH(uint, subCnt);
    auto block = withSettings(settings);
    QCOMPARE(NIMCntFnc::getMode(block.get()), mode);
    QCOMPARE(uint(NIMCntFnc::getMainCnt(block.get())), mainCnt);
    QCOMPARE(uint(NIMCntFnc::getSubCnt(block.get())), subCnt);
}

void TestBlockItem::measureCounterMode_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("mode");

    QTest::newRow("empty") << "" << 0;
    QTest::newRow("with unit") << "Mode=1 Unit=ms FileSave=true PATH=/tmp/my dir" << 1;
    QTest::newRow("without unit") << "Mode=3 FileSave=false PATH=" << 3;
}

void TestBlockItem::measureCounterMode()
{
    QFETCH(QString, settings);
    QFETCH(int, mode);
    NIMMsrCnt msr(0, 0, QStringLiteral("MsrCnt0"));
    msr.setPropertyString(settings);
    QCOMPARE(int(NIMMsrCnt::getMode(&msr)), mode);
}

void TestBlockItem::fanOutAndDelPort()
{
    // delPort leaves the driver's fan-out to the caller, so the targets outlive the drivers here.
    NIMMsrCnt msr(0, 0, QStringLiteral("MsrCnt0"));
    PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
    NIM_IN a(0, 0, QStringLiteral("IN-CH0"));
    NIM_IN b(1, 0, QStringLiteral("IN-CH1"));
    QCOMPARE(msr.setPort(0, &a), 0);
    QCOMPARE(msr.setPort(1, &a), 1);
    QCOMPARE(a.getOutPort(), (QVector<BlockItem*>{&msr, &msr}));
    msr.setPort(1, &a); // the same connection again keeps one entry for it
    QCOMPARE(a.getOutPort().size(), 2);
    msr.delPort(0);
    QCOMPARE(msr.getPort(0), nullptr);
    QCOMPARE(msr.getPort(1), &a);
    QCOMPARE(a.getOutPort().size(), 2);
    a.delOutPort(&msr);
    QCOMPARE(a.getOutPort().size(), 1);
    msr.setPort(0, &a);
    msr.delPort(&a);
    QVERIFY(msr.getPort().isEmpty());

    logic.setPort(0, &a);
    logic.setPort(1, &b);
    logic.setPort(4, &a); // the logic block refuses a second input from the same source
    logic.delPort(&a);
    QCOMPARE(logic.getPort().keys(), QList<int>{1});
}

void TestBlockItem::setPortReleasesPreviousDriver()
{
    NIM_IN first(0, 0, QStringLiteral("IN-CH0"));
    NIM_IN second(1, 0, QStringLiteral("IN-CH1"));
    NIMOut out(0, 0, QStringLiteral("OUT-CH0"));
    out.setPort(0, &first);
    QCOMPARE(out.setPort(0, &second), 0);
    QVERIFY(first.getOutPort().isEmpty());
    QCOMPARE(second.getOutPort(), QVector<BlockItem*>{&out});
    QCOMPARE(out.getPort(0), &second);
    QCOMPARE(out.getPort(1), nullptr);

    // A null source disconnects: no null driver stays behind for the destructor to touch.
    QCOMPARE(out.setPort(0, nullptr), 0);
    QVERIFY(second.getOutPort().isEmpty());
    QVERIFY(out.getPort().isEmpty());
}

void TestBlockItem::portByPoint()
{
    // Targets outlive the drivers: delPort leaves the fan-out lists to the caller.
    NIMMsrCnt msr(0, 0, QStringLiteral("MsrCnt0"));
    PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
    NIMOut out(0, 0, QStringLiteral("OUT-CH0"));
    NIM_IN a(0, 0, QStringLiteral("IN-CH0"));
    NIM_IN b(1, 0, QStringLiteral("IN-CH1"));
    a.setPosition(QPoint(0, 0));
    b.setPosition(QPoint(0, 100));

    // Measure counter: each input has its own point.
    msr.setPosition(QPoint(400, 40));
    msr.setPort(0, &a);
    msr.setPort(1, &b);
    QCOMPARE(msr.getPort(b.getOutPos()), &b);
    QCOMPARE(msr.getPort(a.getOutPos()), &a);
    QCOMPARE(msr.getPort(QPoint(-5, -5)), nullptr);
    msr.delPort(QPoint(400, 40 + 6 + 16));
    QCOMPARE(msr.getPort().keys(), QList<int>{0});
    msr.delPort(QPoint(1, 1)); // no line ends there
    QCOMPARE(msr.getPort().keys(), QList<int>{0});

    // Logic block: input k ends at y + 3 + 5k; gaps in the inputs do not shift the match.
    logic.setPosition(QPoint(200, 10));
    logic.setPort(2, &a);
    logic.setPort(7, &b);
    logic.delPort(QPoint(200, 10 + 3 + 5 * 7));
    QCOMPARE(logic.getPort().keys(), QList<int>{2});

    // Generic block: every input ends at the same point, the first one goes.
    out.setPosition(QPoint(600, 0));
    out.setPort(0, &a);
    out.setPort(3, &b);
    out.delPort(QPoint(600, out.iconSize().height() / 2));
    QCOMPARE(out.getPort().keys(), QList<int>{3});
}

void TestBlockItem::destructorDisconnects()
{
    auto src = std::make_unique<NIM_IN>(0, 0, QStringLiteral("IN-CH0"));
    auto other = std::make_unique<NIM_IN>(1, 0, QStringLiteral("IN-CH1"));
    auto msr = std::make_unique<NIMMsrCnt>(0, 0, QStringLiteral("MsrCnt0"));
    auto out = std::make_unique<NIMOut>(0, 0, QStringLiteral("OUT-CH0"));
    msr->setPort(0, src.get());
    msr->setPort(1, src.get());
    out->setPort(0, src.get());

    // A deleted driver leaves no input behind.
    src.reset();
    QVERIFY(msr->getPort().isEmpty());
    QVERIFY(out->getPort().isEmpty());

    // A deleted target leaves no fan-out entry behind, also when it was driven twice.
    msr->setPort(0, other.get());
    msr->setPort(1, other.get());
    out->setPort(0, other.get());
    msr.reset();
    QCOMPARE(other->getOutPort(), QVector<BlockItem*>{out.get()});
    out.reset();
    QVERIFY(other->getOutPort().isEmpty());
}

void TestBlockItem::legacyNames_data()
{
    QTest::addColumn<BlockFactory>("make");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("name");

    const BlockFactory out = [](const QString& n) { return new NIMOut(0, 0, n); };
    const BlockFactory feedback = [](const QString& n) { return new NIMFeedBackIN(0, 0, n); };
    QTest::newRow("output") << out << "OUT-CH3"
                            << "OUT-CH3";
    QTest::newRow("output legacy") << out << "Delay 60ns       OUT-CH3"
                                   << "OUT-CH3";
    QTest::newRow("feedback") << feedback << "FeedBack2"
                              << "FeedBack2";
    QTest::newRow("feedback legacy") << feedback << "Delay 24ns     FeedBack12"
                                     << "FeedBack12";
}

void TestBlockItem::legacyNames()
{
    QFETCH(BlockFactory, make);
    QFETCH(QString, given);
    QFETCH(QString, name);
    std::unique_ptr<BlockItem> block(make(given));
    QCOMPARE(block->getName(), name);
    QCOMPARE(block->getUserName(), name);
    QVERIFY(!block->getPixmap().isNull());

    // Renaming redraws the text but keeps the resource name.
    block->setUserName(QStringLiteral("Trigger"));
    QCOMPARE(block->getName(), name);
    QCOMPARE(block->getUserName(), QStringLiteral("Trigger"));
}

void TestBlockItem::userName()
{
    PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
    QCOMPARE(logic.getUserName(), QStringLiteral("PreLgc0"));
    logic.setUserName(QStringLiteral("  Coinc  "));
    QCOMPARE(logic.getUserName(), QStringLiteral("Coinc"));
    QCOMPARE(logic.storedUserName(), QStringLiteral("  Coinc  "));
    QCOMPARE(logic.getName(), QStringLiteral("PreLgc0"));
    logic.setUserName(QString());
    QCOMPARE(logic.getUserName(), QStringLiteral("PreLgc0"));
}

void TestBlockItem::geometry_data()
{
    QTest::addColumn<BlockFactory>("make");
    QTest::addColumn<QSize>("size");

    QTest::newRow("input") << BlockFactory([](const QString& n) { return new NIM_IN(0, 0, n); })
                           << iconOf(":/images/label-IN.png");
    QTest::newRow("prelogic") << BlockFactory([](const QString& n) { return new PreLogic(0, 0, n); })
                              << iconOf(":/images/PreLgc.png");
    QTest::newRow("postlogic") << BlockFactory([](const QString& n) { return new PostLogic(0, 0, n); })
                               << iconOf(":/images/PstLgc.png");
    QTest::newRow("function") << BlockFactory([](const QString& n) { return new NIMFunction(0, 0, n); })
                              << iconOf(":/images/Function.png");
    QTest::newRow("pass-through") << BlockFactory([](const QString& n) { return new NIMNonFnc(0, 0, n); })
                                  << iconOf(":/images/NonFnc.png");
    QTest::newRow("output") << BlockFactory([](const QString& n) { return new NIMOut(0, 0, n); })
                            << iconOf(":/images/NIMout.png");
    QTest::newRow("measure counter") << BlockFactory([](const QString& n) { return new NIMMsrCnt(0, 0, n); })
                                     << iconOf(":/images/MsrCnt3.png");
    QTest::newRow("feedback") << BlockFactory([](const QString& n) { return new NIMFeedBackIN(0, 0, n); })
                              << iconOf(":/images/FeedBack.png");
    QTest::newRow("label in") << BlockFactory([](const QString& n) { return new NIMLabelIN(0, 0, n); })
                              << iconOf(":/images/LabelIN.png");
    QTest::newRow("label") << BlockFactory([](const QString& n) { return new NIMLabel(0, 0, n); })
                           << iconOf(":/images/Label.png");
    QTest::newRow("function label") << BlockFactory([](const QString& n) { return new NIMFncLabel(0, 0, n); })
                                    << iconOf(":/images/FncLabel.png");
}

void TestBlockItem::geometry()
{
    QFETCH(BlockFactory, make);
    QFETCH(QSize, size);
    QVERIFY(!size.isEmpty());
    std::unique_ptr<BlockItem> block(make(QStringLiteral("X0")));
    QCOMPARE(block->getPixmap().size(), size);
    QCOMPARE(block->iconSize(), size);
    const int x = 120;
    const int y = 45;
    block->setPosition(QPoint(x, y));
    const int w = size.width();
    const int h = size.height();

    QCOMPARE(block->getOutPos(), QPoint(x + w, y + h / 2));

    // Edges count as inside.
    QVERIFY(block->checkPosition(0, QPoint(x, y)));
    QVERIFY(block->checkPosition(0, QPoint(x + w, y + h)));
    QVERIFY(block->checkPosition(-1, QPoint(x + w / 2, y + h / 2)));
    QVERIFY(!block->checkPosition(0, QPoint(x - 1, y)));
    QVERIFY(!block->checkPosition(0, QPoint(x + w + 1, y + h + 1)));
    // Another sheet never matches.
    QVERIFY(!block->checkPosition(1, QPoint(x, y)));
}

void TestBlockItem::lines_data()
{
    QTest::addColumn<BlockFactory>("make");
    QTest::addColumn<int>("firstInput");
    QTest::addColumn<int>("secondInput");
    QTest::addColumn<int>("firstY");  // relative to the block's y
    QTest::addColumn<int>("secondY"); // relative to the block's y

    const int outHalf = iconOf(":/images/NIMout.png").height() / 2;
    QTest::newRow("generic") << BlockFactory([](const QString& n) { return new NIMOut(0, 0, n); }) << 0 << 1
                             << outHalf << outHalf;
    QTest::newRow("prelogic") << BlockFactory([](const QString& n) { return new PreLogic(0, 0, n); }) << 1
                              << 10 << 3 + 5 << 3 + 50;
    QTest::newRow("postlogic") << BlockFactory([](const QString& n) { return new PostLogic(0, 0, n); }) << 0
                               << 4 << 3 << 3 + 20;
    QTest::newRow("measure counter") << BlockFactory([](const QString& n) { return new NIMMsrCnt(0, 0, n); })
                                     << 0 << 1 << 6 << 6 + 16;
}

void TestBlockItem::lines()
{
    QFETCH(BlockFactory, make);
    QFETCH(int, firstInput);
    QFETCH(int, secondInput);
    QFETCH(int, firstY);
    QFETCH(int, secondY);

    NIM_IN a(0, 0, QStringLiteral("IN-CH0"));
    NIM_IN b(1, 0, QStringLiteral("IN-CH1"));
    a.setPosition(QPoint(10, 10));
    b.setPosition(QPoint(10, 200));
    std::unique_ptr<BlockItem> block(make(QStringLiteral("X0")));
    block->setPosition(QPoint(300, 70));
    QVERIFY(block->getLines().isEmpty());

    // Connected in reverse order: lines still come in ascending input order.
    block->setPort(secondInput, &b);
    block->setPort(firstInput, &a);
    const QVector<QLine> expected{QLine(a.getOutPos(), QPoint(300, 70 + firstY)),
                                  QLine(b.getOutPos(), QPoint(300, 70 + secondY))};
    QCOMPARE(block->getLines(), expected);
}

QTEST_MAIN(TestBlockItem)
#include "tst_blockitem.moc"
