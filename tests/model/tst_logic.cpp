#include "model/blockItem.h"
#include "model/nimLogic.h"

#include <QtTest>

#include <memory>

namespace {
const char* const CHANNELS[] = {"IN-CH0", "IN-CH1", "IN-CH2", "IN-CH3", "IN-CH4",
                                "IN-CH5", "IN-CH6", "IN-CH7", "IN-OPT", "IN-USER"};

// Stores an expression without checking it, as the document loader does.
void store(NIMLogic& logic, const QString& expr)
{
    QString text = expr;
    QVERIFY(logic.setProperty(text, false));
}

// The message an evaluation throws, or an empty string when it succeeds.
QString thrownBy(const std::function<void()>& evaluate)
{
    try {
        evaluate();
    } catch (const QString& message) {
        return message;
    }
    return QString();
}
} // namespace

class TestLogic : public QObject
{
    Q_OBJECT

private slots:
    void precedence_data()
    {
        // Random expressions are checked against an independent evaluator in tst_logicrandom.
        // table: the value for A + 2B + 4C = 0..7, as '0'/'1'.
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QString>("table");
        auto row = [](const char* tag, const QString& expr, const QString& table) {
            QTest::newRow(tag) << expr << table;
        };
        row("or over and", "_A or _B and _C", "01010111");
        row("and before or", "_A and _B or _C", "00011111");
        row("xor before or", "_A xor _B or _C", "01101111");
        row("not of parentheses", "not (_A or _B) and _C", "00001000");
        row("tabs and line breaks", "_A\tand\n  _B", "00010001");
    }

    void precedence()
    {
        QFETCH(QString, expr);
        QFETCH(QString, table);
        PostLogic logic(0, 0, QStringLiteral("PstLgc0"));
        QString checked = expr;
        QVERIFY2(logic.setProperty(checked, true), qPrintable(checked));
        QCOMPARE(checked, expr);
        QCOMPARE(logic.getProperty(), expr);
        for (int i = 0; i < 8; ++i) {
            bool bits[NIMLogic::OPERANDS] = {};
            bits[0] = i & 1;
            bits[1] = i & 2;
            bits[2] = i & 4;
            QCOMPARE(logic.isBitON(bits), table.at(i) == QLatin1Char('1'));
        }
    }

    void errors_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QString>("message");
        auto row = [](const char* tag, const QString& expr, const QString& message) {
            QTest::newRow(tag) << expr << message;
        };
        const QString missing = QStringLiteral("invalid --- ')' is missimg.");
        const QString atEof = QStringLiteral("invalid at EOF");
        row("unclosed parenthesis", "( _A or _B", missing);
        row("trailing operator", "_A or", atEof);
        row("two operands", "_A _B", "invalid at '_B'");
        row("operand beyond _K", "_L", "invalid at '_L'");
        row("empty", "", "invalid at ''");
    }

    void errors()
    {
        QFETCH(QString, expr);
        QFETCH(QString, message);
        PostLogic logic(0, 0, QStringLiteral("PstLgc0"));
        store(logic, QStringLiteral("_A"));
        QString checked = expr;
        QVERIFY(!logic.setProperty(checked, true));
        QCOMPARE(checked, message);
        QCOMPARE(logic.getProperty(), QStringLiteral("_A"));
        // Unchecked, as the document loader stores it, the text is kept as it is.
        QString raw = expr;
        QVERIFY(logic.setProperty(raw, false));
        QCOMPARE(raw, expr);
        QCOMPARE(logic.getProperty(), expr);

        // The same message, whatever the operand values.
        bool bits[NIMLogic::OPERANDS];
        for (bool& bit : bits)
            bit = true;
        QCOMPARE(thrownBy([&] { NIMLogic::calc(expr, bits); }), message);
    }

    void isBitONPrefixesBlockName()
    {
        // The resource name is used, not the name shown to the user.
        PreLogic pre(0, 0, QStringLiteral("PreLgc3"));
        PostLogic post(0, 0, QStringLiteral("PstLgc12"));
        pre.setUserName(QStringLiteral("Coincidence"));
        post.setUserName(QStringLiteral("Coincidence"));
        store(pre, QStringLiteral("( _A"));
        store(post, QStringLiteral("not"));
        const bool bits[NIMLogic::OPERANDS] = {};
        QCOMPARE(thrownBy([&] { pre.isBitON(quint16(0xFFFF)); }),
                 QStringLiteral("PreLgc3: invalid --- ')' is missimg."));
        QCOMPARE(thrownBy([&] { post.isBitON(bits); }), QStringLiteral("PstLgc12: invalid at EOF"));
    }

    void emptyExpressionIsFalse()
    {
        PreLogic pre(0, 0, QStringLiteral("PreLgc0"));
        PostLogic post(0, 0, QStringLiteral("PstLgc0"));
        bool bits[NIMLogic::OPERANDS];
        for (bool& bit : bits)
            bit = true;
        QVERIFY(!post.isBitON(bits));
        QVERIFY(!pre.isBitON(quint16(0xFFFF)));
    }

    void setPortAutomaticInputs()
    {
        PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
        NIM_IN a(0, 0, QStringLiteral("IN-CH0"));
        NIM_IN b(1, 0, QStringLiteral("IN-CH1"));
        NIM_IN c(2, 0, QStringLiteral("IN-CH2"));
        NIM_IN d(3, 0, QStringLiteral("IN-CH3"));
        QCOMPARE(logic.setPort(-1, &a), 0);
        QCOMPARE(logic.setPort(-1, &b), 1);
        QCOMPARE(logic.setPort(5, &c), 5);
        QCOMPARE(logic.setPort(-1, &d), 2);

        // One connection per source: a second one is refused, wherever it would go.
        QCOMPARE(logic.setPort(-1, &a), -1);
        QCOMPARE(logic.setPort(4, &a), -1);
        QCOMPARE(logic.getPort().keys(), (QList<int>{0, 1, 2, 5}));
        QCOMPARE(a.getOutPort(), QVector<BlockItem*>{&logic});
    }

    void setPortAllInputsTaken()
    {
        PostLogic logic(0, 0, QStringLiteral("PstLgc0"));
        std::vector<std::unique_ptr<NIMFunction>> sources;
        for (int k = 0; k < NIMLogic::OPERANDS; ++k) {
            sources.push_back(std::make_unique<NIMFunction>(k, 0, QStringLiteral("DlyFnc%1").arg(k)));
            QCOMPARE(logic.setPort(-1, sources.back().get()), k);
        }
        NIMFunction extra(20, 0, QStringLiteral("NonFnc0"));
        QCOMPARE(logic.setPort(-1, &extra), -1);
        QVERIFY(extra.getOutPort().isEmpty());
        // An explicit input takes the new source in place of the old driver.
        QCOMPARE(logic.setPort(7, &extra), 7);
        QVERIFY(sources[7]->getOutPort().isEmpty());
        QCOMPARE(logic.getPort(7), &extra);
    }

    void preLogicChannel_data()
    {
        QTest::addColumn<int>("channel"); // index into CHANNELS; bit channel + 1
        QTest::addColumn<int>("input");

        QTest::newRow("IN-CH0 on input 2") << 0 << 2;
        QTest::newRow("IN-USER on input 5") << 9 << 5;
    }

    void preLogicChannel()
    {
        QFETCH(int, channel);
        QFETCH(int, input);

        PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
        NIM_IN in(0, 0, QString::fromLatin1(CHANNELS[channel]));
        logic.setPort(input, &in);
        store(logic, NIMLogic::operandName(input));
        const int bit = channel + 1;
        for (uint word = 0; word <= 0xFFFF; ++word)
            QCOMPARE(logic.isBitON(quint16(word)), bool(word & (1u << bit)));
    }

    void preLogicFirstInputOfAChannel()
    {
        // The same channel from two sheets: only the lowest input follows the channel bit.
        PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
        NIM_IN sheet1(0, 1, QStringLiteral("IN-CH0"));
        NIM_IN sheet2(0, 2, QStringLiteral("IN-CH0"));
        logic.setPort(4, &sheet2);
        logic.setPort(1, &sheet1);
        store(logic, QStringLiteral("_E"));
        QVERIFY(!logic.isBitON(quint16(0xFFFF)));
        store(logic, QStringLiteral("_B"));
        QVERIFY(logic.isBitON(quint16(0x0002)));
        QVERIFY(!logic.isBitON(quint16(0xFFFD)));
    }

    void preLogicOtherDrivers()
    {
        // A driver that is no input channel never sets its operand.
        PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
        NIMLabel label(0, 0, QStringLiteral("Label0"));
        logic.setPort(0, &label);
        store(logic, QStringLiteral("not _A"));
        for (uint word = 0; word <= 0xFFFF; word += 7)
            QVERIFY(logic.isBitON(quint16(word)));
    }
};

QTEST_GUILESS_MAIN(TestLogic)
#include "tst_logic.moc"
