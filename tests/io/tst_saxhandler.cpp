#include "io/documentReceiver.h"
#include "io/saxhandler.h"
#include "tests/support/dataRow.h"

#include <QTest>

namespace {
// Records what the reader reports, one line a call.
class Recorder : public DocumentReceiver
{
public:
    void setConnectionSettings(const InfoOstrum& info) override { log << "settings " + info.strAddr; }
    void addTab(int id, const QString& name) override { log << QString("tab %1:%2").arg(id).arg(name); }
    bool addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck) override
    {
        QStringList keys;
        for (auto it = info.constBegin(); it != info.constEnd(); ++it)
            keys << it.key() + "=" + it.value();
        log << QString("%1@%2%3 %4").arg(item).arg(tid).arg(bCheck ? " check" : "", keys.join(','));
        return item != refuse;
    }
    void warning(const QString& title, const QString& text) override { log << title + "|" + text; }

    QStringList log;
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
        QCOMPARE(r.log,
                 QStringList({"settings a&b", "tab 2: x ", "PostLogic@2 3=C,5=B,id=4,logic=_A,odd=1"}));
        QVERIFY(!h.isEmpty());
    }

    void textRule_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("keys");
        dataRow("plain", QByteArray("abc"), "userName=abc");
        dataRow("leading space kept", QByteArray("  a b "), "userName=  a b ");
        dataRow("escaped characters", QByteArray("&lt;&amp;&quot;&gt;x"), "userName=<&\">x");
        dataRow("leading line feed ignored", QByteArray("\n  abc"), "");
    }

    void textRule()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, keys);
        Recorder r;
        SaxHandler h(&r);
        QVERIFY(h.parse("<Vextor3><entry term=\"X\"><userName>" + text + "</userName></entry></Vextor3>"));
        QCOMPARE(r.log.last(), "X@-1 " + keys);
    }

    void checkModeAndEmptyDocument()
    {
        Recorder r;
        SaxHandler h(&r);
        h.checkMode(true);
        QVERIFY(h.isEmpty());
        QVERIFY(h.parse("<Vextor_Copy_Items>\n<entry term=\"A\"><id>1</id></entry>\n</Vextor_Copy_Items>\n"));
        QVERIFY(h.isEmpty()); // only a Vextor3 root makes a document
        SaxHandler lower(&r);
        QVERIFY(lower.parse("<vextor3/>"));
        QVERIFY(lower.isEmpty());
        QCOMPARE(r.log, QStringList{"A@-1 check id=1"});
    }

    void refusalStopsWithMessage()
    {
        Recorder r;
        r.refuse = "Bad";
        SaxHandler h(&r);
        QVERIFY(!h.parse("<Vextor3>\n<entry term=\"Bad\"/>\n<entry term=\"Good\"/>\n</Vextor3>"));
        QCOMPARE(h.errorText(), QString("Parse error at line 2, column 18:\nerror triggered by consumer."));
        QCOMPARE(r.log, QStringList({"settings ", "Bad@-1 ", "SAX Handler|" + h.errorText()}));
    }

    void nestingLimited()
    {
        Recorder r;
        SaxHandler h(&r);
        const QByteArray ok = QByteArray("<a>").repeated(64) + QByteArray("</a>").repeated(64);
        QVERIFY(h.parse(ok));
        SaxHandler h2(&r);
        QVERIFY(!h2.parse("<a>" + ok + "</a>"));
        QVERIFY(h2.errorText().contains("nested more than 64 deep"));
    }
};

QTEST_GUILESS_MAIN(TestSaxHandler)
#include "tst_saxhandler.moc"
