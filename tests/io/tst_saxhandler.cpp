#include "io/documentReceiver.h"
#include "io/saxhandler.h"

#include <QTest>

namespace {
// Records what the reader reports.
class Recorder : public DocumentReceiver
{
public:
    void setConnectionSettings(const InfoOstrum& info) override { settings << info.strAddr; }
    void addTab(int id, const QString& name) override { tabs << QString("%1:%2").arg(id).arg(name); }
    bool addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck) override
    {
        items << item;
        tids << tid;
        infos << info;
        checks << bCheck;
        return refuse.isEmpty() || item != refuse;
    }
    void warning(const QString& title, const QString& text) override { warnings << title + "|" + text; }

    QStringList settings, tabs, items, warnings;
    QList<int> tids;
    QList<QMap<QString, QString>> infos;
    QList<bool> checks;
    QString refuse;
};
} // namespace

class TestSaxHandler : public QObject
{
    Q_OBJECT

private slots:
    void keysAndValues()
    {
        Recorder r;
        SaxHandler h(&r);
        QVERIFY(h.parse("<Vextor3 addr=\"a&amp;b\"><tab id=\"2\" name=\" x \"><entry term=\"PostLogic\">\n"
                        "  <id>4</id><net port=\"3\">A</net><wire bit=\"5\">B</wire><net port=\"3\">C</net>"
                        "<logic>_A</logic><odd>1</odd></entry></tab></Vextor3>"));
        QCOMPARE(r.settings, QStringList{"a&b"});
        QCOMPARE(r.tabs, QStringList{"2: x "});
        QCOMPARE(r.items, QStringList{"PostLogic"});
        QCOMPARE(r.tids, QList<int>{2});
        const QMap<QString, QString> expected = {
            {"id", "4"}, {"3", "C"}, {"5", "B"}, {"logic", "_A"}, {"odd", "1"}};
        QCOMPARE(r.infos.at(0), expected);
        QVERIFY(!h.isEmpty());
    }

    void textRule_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QByteArray("abc") << true << "abc";
        QTest::newRow("leading space kept") << QByteArray("  a b ") << true << "  a b ";
        QTest::newRow("escaped characters") << QByteArray("&lt;&amp;&quot;&gt;x") << true << "<&\">x";
        QTest::newRow("leading line feed ignored") << QByteArray("\n  abc") << false << "";
    }

    void textRule()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, stored);
        QFETCH(QString, value);
        Recorder r;
        SaxHandler h(&r);
        QVERIFY(h.parse("<Vextor3><entry term=\"X\"><userName>" + text + "</userName></entry></Vextor3>"));
        QCOMPARE(r.infos.at(0).contains("userName"), stored);
        QCOMPARE(r.infos.at(0).value("userName"), value);
    }

    void checkModeAndEmptyDocument()
    {
        Recorder r;
        SaxHandler h(&r);
        h.checkMode(true);
        QVERIFY(h.isEmpty());
        QVERIFY(h.parse("<Vextor_Copy_Items>\n<entry term=\"A\"><id>1</id></entry>\n</Vextor_Copy_Items>\n"));
        QCOMPARE(r.checks, QList<bool>{true});
        QCOMPARE(r.tids, QList<int>{-1});
        QVERIFY(h.isEmpty()); // only a Vextor3 root makes a document
        SaxHandler lower(&r);
        QVERIFY(lower.parse("<vextor3/>"));
        QVERIFY(lower.isEmpty());
        QVERIFY(r.settings.isEmpty());
    }

    void refusalStopsWithMessage()
    {
        Recorder r;
        r.refuse = "Bad";
        SaxHandler h(&r);
        QVERIFY(!h.parse("<Vextor3>\n<entry term=\"Bad\"/>\n<entry term=\"Good\"/>\n</Vextor3>"));
        QCOMPARE(r.items, QStringList{"Bad"});
        QCOMPARE(h.errorText(), QString("Parse error at line 2, column 18:\nerror triggered by consumer."));
        QCOMPARE(r.warnings, QStringList{"SAX Handler|" + h.errorText()});
    }

    void nestingLimited()
    {
        Recorder r;
        SaxHandler h(&r);
        const QByteArray ok = QByteArray("<a>").repeated(SaxHandler::MAX_DEPTH) +
                              QByteArray("</a>").repeated(SaxHandler::MAX_DEPTH);
        QVERIFY(h.parse(ok));
        SaxHandler h2(&r);
        QVERIFY(!h2.parse("<a>" + ok + "</a>"));
        QVERIFY(h2.errorText().contains("nested more than 64 deep"));
    }
};

QTEST_GUILESS_MAIN(TestSaxHandler)
#include "tst_saxhandler.moc"
