#include "model/blockItem.h"
#include "model/nimLogic.h"
#include "model/timeUnits.h"

#include "tests/support/dataRow.h"

#include <QtTest>

#include <functional>
#include <memory>

using BlockFactory = std::function<BlockItem*(const QString& name)>;
Q_DECLARE_METATYPE(BlockFactory)
using Reader = std::function<QString(const QString& settings)>;
Q_DECLARE_METATYPE(Reader)

namespace {
template<typename T> BlockFactory make()
{
    return [](const QString& name) -> BlockItem* { return new T(0, 0, name); };
}

// A block of the kind, carrying the settings.
template<typename T = NIMFunction>
std::unique_ptr<T> withSettings(const QString& settings, const QString& name = QStringLiteral("X0"))
{
    auto block = std::make_unique<T>(0, 0, name);
    block->setPropertyString(settings);
    return block;
}

// Values joined by blanks.
template<typename... Values> QString join(const Values&... values)
{
    QStringList list;
    (list << ... << QVariant(values).toString());
    return list.join(QLatin1Char(' '));
}

Reader value(const QString& key)
{
    // The free function and the block accessor read alike.
    return [key](const QString& s) {
        QString out = QStringLiteral("stale");
        withSettings(s)->getStr(out, key);
        return out == settingsValue(s, key) ? out : QStringLiteral("differs");
    };
}

Reader input(const QString& name)
{
    return [name](const QString& s) {
        const auto in = withSettings<NIM_IN>(s, name);
        // Starting from the opposite values shows that every output is written.
        bool user = true, high = true;
        quint16 vth = 1;
        in->getInputProperty(user, high, vth);
        return join(in->bUserControl(), user, high, vth, in->bHigh(), in->getVth());
    };
}

// The model's own sizes; the picture layer's test holds them against the picture files.
QSize iconOf(const char* resource)
{
    return BlockPicture::sizeOf(QString::fromLatin1(resource));
}
} // namespace

class TestBlockItem : public QObject
{
    Q_OBJECT

private slots:
    void readers_data()
    {
        QTest::addColumn<Reader>("read");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("values");
        auto row = [](const char* tag, const Reader& read, const char* settings, const char* values) {
            dataRow(tag, read, settings, values);
        };
        const char* msr = "Mode=1 Unit=ms FileSave=true PATH=/tmp/my dir";
        row("last value runs to the end, blank included", value("PATH"), msr, "/tmp/my dir");
        row("value before the next key", value("Unit"), msr, "ms");
        row("no blank: next key included", value("A"), "A=fooB=1", "fooB");
        row("empty before '='", value("A"), "A==1", "");
        row("absent key", value("Unit"), "Mode=1", "");

        // Nanoseconds and the text left once the unit is removed.
        const Reader counter = [](const QString& s) {
            QString text = s;
            const quint32 ns = TimeUnits::counterTextToNanoseconds(text);
            QString viaBlock = s;
            return withSettings(QString())->cntStrToULong(viaBlock) == ns ? join(ns, text) : QString();
        };
        row("nsec", counter, "200nsec", "200 200");
        row("rounds half up", counter, "2.5", "3 2.5");
        row("full 32 bits", counter, "4.294967295sec", "4294967295 4.294967295");
        row("unit inside", counter, "10usec5", "105000 105");
        row("nsec tested before usec", counter, "1usecnsec", "0 1usec");
        row("unit alone: sec at 1", counter, "nsec", "0 n");

        const Reader delay = [](const QString& s) { return join(NIMDlyFnc::getDly(withSettings(s).get())); };
        row("delay us decimal", delay, "Delay=1.25us", "1250");
        row("delay ns", delay, "Delay=100ns", "100");
        row("delay bare integer", delay, "Delay=40", "40");
        row("delay ns needs an integer", delay, "Delay=1.5ns", "0");
        row("delay not at the start", delay, "Mode=1 Delay=40", "0");

        // Mode, main and sub count.
        const Reader counterFunction = [](const QString& s) {
            const auto b = withSettings(s);
            return join(NIMCntFnc::getMode(b.get()), NIMCntFnc::getMainCnt(b.get()),
                        NIMCntFnc::getSubCnt(b.get()));
        };
        row("counter empty: smallest mode-0 counts", counterFunction, "", "0 5 4");
        row("counter mode 3 keeps sub", counterFunction, "Mode=3 MainCnt=1.5usec SubCnt=200nsec",
            "3 1500 200");
        row("counter mode 1 sub minus one", counterFunction, "Mode=1 MainCnt=2sec SubCnt=200nsec",
            "1 2000000000 199");
        row("counter sub zero stays", counterFunction, "Mode=1 MainCnt=5 SubCnt=0", "1 5 0");

        const Reader output = [](const QString& s) {
            bool nim = false, ttl = true;
            withSettings<NIMOut>(s, QStringLiteral("OUT-CH0"))->getOutputProperty(nim, ttl);
            return join(nim, ttl);
        };
        row("output empty is NIM, not TTL", output, "", "true false");
        row("output TTL", output, "bNIM=false bTTL=true ", "false true");

        // User control, then bUser, bHigh, Vth as read together and bHigh, Vth read alone.
        row("input empty", input("IN-CH0"), "", "false false false 1720 false 1720");
        row("input set", input("IN-CH0"), "bUser=false bHigh=true Vth=900", "false false true 900 true 900");
        row("IN-USER empty is user control", input("IN-USER"), "", "true false false 1720 false 1720");
        row("user control gives defaults", input("IN-CH1"), "bUserControl=true",
            "true false false 1720 false 1720");
        row("threshold not a number", input("IN-CH0"), "bUser=true bHigh=true Vth=abc",
            "false true true 0 true 0");
    }

    void readers()
    {
        QFETCH(Reader, read);
        QFETCH(QString, settings);
        QTEST(read(settings), "values");
    }

    void inputOscillator()
    {
        NIM_IN input(0, 0, QStringLiteral("IN-USER"));
        input.setCnt(QStringLiteral("1.5usec"), QStringLiteral("200nsec"), QStringLiteral("1 kHz"));
        QCOMPARE(input.getProperty(), QStringLiteral("MainCnt=1.5usec SubCnt=200nsec Disp=1 kHz"));
        QString shown;
        input.getDisp(shown);
        // The module counts the sub period from zero.
        QCOMPARE(join(input.getMainCnt(), input.getSubCnt(), shown), QStringLiteral("1500 199 1 kHz"));
    }

    void geometry_data()
    {
        QTest::addColumn<BlockFactory>("make");
        QTest::addColumn<QSize>("size");
        // Two inputs (line ends' y) and the input left when the second wire is deleted.
        QTest::addColumn<QList<int>>("lines");
        const QSize out = iconOf(":/images/NIMout.png");
        QTest::newRow("generic") << make<NIMOut>() << out
                                 << QList<int>{0, out.height() / 2, 1, out.height() / 2, 1};
        QTest::newRow("prelogic") << make<PreLogic>() << iconOf(":/images/PreLgc.png")
                                  << QList<int>{1, 8, 10, 53, 1};
        QTest::newRow("measure counter")
            << make<NIMMsrCnt>() << iconOf(":/images/MsrCnt3.png") << QList<int>{0, 6, 1, 22, 0};
    }

    void geometry()
    {
        QFETCH(BlockFactory, make);
        QFETCH(QSize, size);
        QFETCH(QList<int>, lines);
        std::unique_ptr<BlockItem> block(make(QStringLiteral("X0")));
        QVERIFY(!size.isEmpty());
        QCOMPARE(block->iconSize(), size);
        const int x = 300, y = 70, w = size.width(), h = size.height();
        block->setPosition(QPoint(x, y));
        QCOMPARE(block->getOutPos(), QPoint(x + w, y + h / 2));
        // Edges count as inside; another sheet never matches.
        QVERIFY(block->checkPosition(0, QPoint(x, y)) && block->checkPosition(0, QPoint(x + w, y + h)));
        QVERIFY(!block->checkPosition(0, QPoint(x - 1, y)) && !block->checkPosition(0, QPoint(x + w + 1, y)));
        QVERIFY(!block->checkPosition(1, QPoint(x, y)));

        // Connected in reverse order, lines come in input order; an end point finds its input.
        NIM_IN a(0, 0, QStringLiteral("IN-CH0"));
        NIM_IN b(1, 0, QStringLiteral("IN-CH1"));
        b.setPosition(QPoint(10, 200));
        block->setPort(lines[2], &b);
        block->setPort(lines[0], &a);
        const QVector<QLine> expected{QLine(a.getOutPos(), QPoint(x, y + lines[1])),
                                      QLine(b.getOutPos(), QPoint(x, y + lines[3]))};
        QCOMPARE(block->getLines(), expected);
        QCOMPARE(block->getPort(b.getOutPos()), &b);
        block->delPort(QPoint(x, y + lines[3]));
        QCOMPARE(block->getPort().keys(), QList<int>{lines[4]});
    }
};

QTEST_MAIN(TestBlockItem)
#include "tst_blockitem.moc"
