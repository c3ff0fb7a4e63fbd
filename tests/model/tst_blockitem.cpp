#include "model/blockItem.h"
#include "model/nimLogic.h"
#include "model/timeUnits.h"

#include <QtTest>

#include <functional>
#include <memory>

using BlockFactory = std::function<BlockItem*(const QString& name)>;
Q_DECLARE_METATYPE(BlockFactory)
using SettingsReader = std::function<QString(const QString& settings)>;
Q_DECLARE_METATYPE(SettingsReader)

namespace {
// Settings readers work on any block; a plain function block carries the string.
std::unique_ptr<BlockItem> withSettings(const QString& settings)
{
    auto block = std::make_unique<NIMFunction>(0, 0, QStringLiteral("CntFnc0"));
    block->setPropertyString(settings);
    return block;
}

template<typename T> BlockFactory make()
{
    return [](const QString& name) -> BlockItem* { return new T(0, 0, name); };
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
    void initTestCase()
    {
        QVERIFY(BlockItem::guiAvailable());
        // The icons are compiled into the core library.
        NIM_IN probe(0, 0, QStringLiteral("IN-CH0"));
        QVERIFY(!probe.getPixmap().isNull());
        QVERIFY(!QPixmap(QStringLiteral(":/images/PreLgc.png")).isNull());
    }

    void settingsValue_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        auto row = [](const char* tag, const QString& settings, const QString& key, const QString& value) {
            QTest::newRow(tag) << settings << key << value;
        };
        const QString msr = QStringLiteral("Mode=1 Unit=ms FileSave=true PATH=/tmp/my dir");
        row("last value runs to the end, blank included", msr, "PATH", "/tmp/my dir");
        row("no blank: next key included", "A=fooB=1", "A", "fooB");
        row("empty before '='", "A==1", "A", "");
        row("absent key", "Mode=1", "Unit", "");
        row("key as plain substring", "SubCnt=3 MainCnt=5", "Cnt", "3");
    }

    void settingsValue()
    {
        QFETCH(QString, settings);
        QFETCH(QString, key);
        QTEST(::settingsValue(settings, key), "value");
        QString out = QStringLiteral("stale");
        withSettings(settings)->getStr(out, key);
        QTEST(out, "value");
    }

    void counterText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("ns");
        QTest::addColumn<QString>("rest");

        QTest::newRow("nsec") << "200nsec" << 200u << "200";
        QTest::newRow("rounds half up") << "2.5" << 3u << "2.5";
        QTest::newRow("full 32 bits") << "4.294967295sec" << 4294967295u << "4.294967295";
        QTest::newRow("unit inside") << "10usec5" << 105000u << "105";
        QTest::newRow("nsec tested before usec") << "1usecnsec" << 0u << "1usec";
        QTest::newRow("nsec alone: sec at 1") << "nsec" << 0u << "n";
        QTest::newRow("empty") << "" << 0u << "";
    }

    void counterText()
    {
        QFETCH(QString, text);
        QString s = text;
        QTEST(uint(TimeUnits::counterTextToNanoseconds(s)), "ns");
        QTEST(s, "rest");
        s = text;
        QTEST(uint(withSettings(QString())->cntStrToULong(s)), "ns");
        QTEST(s, "rest");
    }

    void settingsReaders_data()
    {
        // Each reader shows what it takes from a settings string, values joined by blanks.
        QTest::addColumn<SettingsReader>("read");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("values");
        const SettingsReader delay = [](const QString& s) {
            return QString::number(NIMDlyFnc::getDly(withSettings(s).get()));
        };
        const SettingsReader counter = [](const QString& s) {
            const auto b = withSettings(s);
            return QString("%1 %2 %3")
                .arg(NIMCntFnc::getMode(b.get()))
                .arg(NIMCntFnc::getMainCnt(b.get()))
                .arg(NIMCntFnc::getSubCnt(b.get()));
        };
        const SettingsReader output = [](const QString& s) {
            NIMOut out(0, 0, QStringLiteral("OUT-CH0"));
            out.setPropertyString(s);
            bool nim = false, ttl = true;
            out.getOutputProperty(nim, ttl);
            return QString("%1 %2").arg(nim).arg(ttl);
        };
        auto row = [](const char* tag, const SettingsReader& read, const QString& settings,
                      const QString& values) { QTest::newRow(tag) << read << settings << values; };
        row("delay us decimal", delay, "Delay=1.25us", "1250");
        row("delay bare integer", delay, "Delay=40", "40");
        row("delay ns needs an integer", delay, "Delay=1.5ns", "0");
        row("delay not at the start", delay, "Mode=1 Delay=40", "0");
        row("counter empty: smallest mode-0 counts", counter, "", "0 5 4");
        row("counter mode 3 keeps sub", counter, "Mode=3 MainCnt=1.5usec SubCnt=200nsec", "3 1500 200");
        row("counter mode 1 sub minus one", counter, "Mode=1 MainCnt=1.5usec SubCnt=200nsec", "1 1500 199");
        row("counter sub zero stays", counter, "Mode=1 MainCnt=5 SubCnt=0", "1 5 0");
        row("counter mode 11 keeps", counter, "Mode=11 MainCnt=5 SubCnt=10", "11 5 10");
        row("output empty is NIM, not TTL", output, "", "1 0");
        row("output TTL", output, "bNIM=false bTTL=true ", "0 1");
    }

    void settingsReaders()
    {
        QFETCH(SettingsReader, read);
        QFETCH(QString, settings);
        QTEST(read(settings), "values");
    }

    void inputSettings_data()
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
        row("user control gives defaults", "IN-CH1", "bUserControl=true", true, false, false, 1720);
        row("threshold not a number", "IN-CH0", "bUser=true bHigh=true Vth=abc", false, true, true, 0);
    }

    void inputSettings()
    {
        QFETCH(QString, name);
        QFETCH(QString, settings);
        QFETCH(bool, bUser);
        QFETCH(bool, bHigh);
        NIM_IN input(0, 0, name);
        input.setPropertyString(settings);
        QTEST(input.bUserControl(), "userControl");
        QCOMPARE(input.bHigh(), bHigh);
        QTEST(int(input.getVth()), "vth");
        // Starting from the opposite values shows that every output is written.
        bool user = !bUser;
        bool high = !bHigh;
        quint16 threshold = 1;
        input.getInputProperty(user, high, threshold);
        QCOMPARE(user, bUser);
        QCOMPARE(high, bHigh);
        QTEST(int(threshold), "vth");
    }

    void inputOscillator()
    {
        NIM_IN input(0, 0, QStringLiteral("IN-CH2"));
        input.setCnt(QStringLiteral("1.5usec"), QStringLiteral("200nsec"), QStringLiteral("1 kHz"));
        QCOMPARE(input.getProperty(), QStringLiteral("MainCnt=1.5usec SubCnt=200nsec Disp=1 kHz"));
        QCOMPARE(uint(input.getMainCnt()), 1500u);
        QCOMPARE(uint(input.getSubCnt()), 199u); // the module counts the sub period from zero
        QString shown;
        input.getDisp(shown);
        QCOMPARE(shown, QStringLiteral("1 kHz"));
    }

    void setPortReleasesPreviousDriver()
    {
        NIM_IN first(0, 0, QStringLiteral("IN-CH0"));
        NIM_IN second(1, 0, QStringLiteral("IN-CH1"));
        NIMOut out(0, 0, QStringLiteral("OUT-CH0"));
        out.setPort(0, &first);
        QCOMPARE(out.setPort(0, &second), 0);
        QVERIFY(first.getOutPort().isEmpty());
        QCOMPARE(second.getOutPort(), QVector<BlockItem*>{&out});
        QCOMPARE(out.getPort(0), &second);

        // A null source disconnects: no null driver stays behind for the destructor to touch.
        QCOMPARE(out.setPort(0, nullptr), 0);
        QVERIFY(second.getOutPort().isEmpty());
        QVERIFY(out.getPort().isEmpty());
    }

    void portByPoint()
    {
        // Targets outlive the drivers: delPort leaves the fan-out lists to the caller.
        NIMMsrCnt msr(0, 0, QStringLiteral("MsrCnt0"));
        PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
        NIM_IN a(0, 0, QStringLiteral("IN-CH0"));
        NIM_IN b(1, 0, QStringLiteral("IN-CH1"));
        a.setPosition(QPoint(0, 0));
        b.setPosition(QPoint(0, 100));

        // Measure counter: each input has its own point.
        msr.setPosition(QPoint(400, 40));
        msr.setPort(0, &a);
        msr.setPort(1, &b);
        QCOMPARE(msr.getPort(b.getOutPos()), &b);
        msr.delPort(QPoint(400, 40 + 6 + 16));
        QCOMPARE(msr.getPort().keys(), QList<int>{0});

        // Logic block: input k ends at y + 3 + 5k; gaps in the inputs do not shift the match.
        logic.setPosition(QPoint(200, 10));
        logic.setPort(2, &a);
        logic.setPort(7, &b);
        logic.delPort(QPoint(200, 10 + 3 + 5 * 7));
        QCOMPARE(logic.getPort().keys(), QList<int>{2});
    }

    void destructorDisconnects()
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

    void names_data()
    {
        QTest::addColumn<BlockFactory>("make");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("name");
        auto row = [](const char* tag, const BlockFactory& make, const QString& given, const QString& name) {
            QTest::newRow(tag) << make << given << name;
        };
        row("logic", make<PreLogic>(), "PreLgc0", "PreLgc0");
        row("output legacy", make<NIMOut>(), "Delay 60ns       OUT-CH3", "OUT-CH3");
        row("feedback legacy", make<NIMFeedBackIN>(), "Delay 24ns     FeedBack12", "FeedBack12");
    }

    void names()
    {
        QFETCH(BlockFactory, make);
        QFETCH(QString, given);
        QFETCH(QString, name);
        std::unique_ptr<BlockItem> block(make(given));
        QCOMPARE(block->getName(), name);
        QCOMPARE(block->getUserName(), name);
        QVERIFY(!block->getPixmap().isNull());

        // A user name is shown trimmed, stored as given; the resource name stays.
        block->setUserName(QStringLiteral("  Trigger  "));
        QCOMPARE(block->getName(), name);
        QCOMPARE(block->getUserName(), QStringLiteral("Trigger"));
        QCOMPARE(block->storedUserName(), QStringLiteral("  Trigger  "));
        block->setUserName(QString());
        QCOMPARE(block->getUserName(), name);
    }

    void geometry_data()
    {
        QTest::addColumn<BlockFactory>("make");
        QTest::addColumn<QSize>("size");
        QTest::newRow("input") << make<NIM_IN>() << iconOf(":/images/label-IN.png");
        QTest::newRow("prelogic") << make<PreLogic>() << iconOf(":/images/PreLgc.png");
        QTest::newRow("measure counter") << make<NIMMsrCnt>() << iconOf(":/images/MsrCnt3.png");
    }

    void geometry()
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
        QVERIFY(!block->checkPosition(0, QPoint(x - 1, y)));
        QVERIFY(!block->checkPosition(0, QPoint(x + w + 1, y + h + 1)));
        // Another sheet never matches.
        QVERIFY(!block->checkPosition(1, QPoint(x, y)));
    }

    void lines_data()
    {
        QTest::addColumn<BlockFactory>("make");
        QTest::addColumn<int>("firstInput");
        QTest::addColumn<int>("secondInput");
        QTest::addColumn<int>("firstY");  // relative to the block's y
        QTest::addColumn<int>("secondY"); // relative to the block's y

        const int outHalf = iconOf(":/images/NIMout.png").height() / 2;
        QTest::newRow("generic") << make<NIMOut>() << 0 << 1 << outHalf << outHalf;
        QTest::newRow("prelogic") << make<PreLogic>() << 1 << 10 << 3 + 5 << 3 + 50;
        QTest::newRow("measure counter") << make<NIMMsrCnt>() << 0 << 1 << 6 << 6 + 16;
    }

    void lines()
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
};

QTEST_MAIN(TestBlockItem)
#include "tst_blockitem.moc"
