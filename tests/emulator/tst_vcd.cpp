#include "emulator/previewRun.h"
#include "emulator/vcdWriter.h"
#include "tests/emulator/handImage.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QtTest>

namespace {
// A Value Change Dump read by its grammar: declarations, growing timestamps, declared variables.
struct VcdReader
{
    QMap<QString, QString> names;                           // code -> reference
    QMap<QString, int> widths;                              // code -> size
    QMap<QString, QVector<QPair<qint64, QString>>> changes; // code -> (time, value)
    QString timescale;
    qint64 lastTime = -1;

    // What breaks the grammar; empty when nothing does.
    QString read(const QByteArray& text)
    {
        const QStringList tokens =
            QString::fromUtf8(text).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        int i = 0;
        int depth = 0;
        QStringList body;
        const auto section = [&] {
            body.clear();
            while (++i < tokens.size() && tokens.at(i) != "$end")
                body << tokens.at(i);
            return i < tokens.size();
        };
        static const QRegularExpression ident("^[A-Za-z_][A-Za-z0-9_]*$");
        for (; i < tokens.size() && tokens.at(i) != "$enddefinitions"; ++i) {
            const QString& t = tokens.at(i);
            if (!t.startsWith('$') || !section())
                return "bad declaration at " + t;
            if (t == "$timescale") {
                timescale = body.join(' ');
            } else if (t == "$scope" || t == "$upscope") {
                depth += t == "$scope" && body.size() == 2 && body.first() == "module" ? 1 : -1;
            } else if (t == "$var" && body.size() == 4 && ident.match(body.at(3)).hasMatch() &&
                       !names.contains(body.at(2)) && (body.at(0) == "wire" || body.at(0) == "real")) {
                names[body.at(2)] = body.at(3);
                widths[body.at(2)] = body.at(1).toInt();
            } else if (t != "$version" && t != "$comment" && t != "$date") {
                return "bad " + t + " " + body.join(' ');
            }
        }
        if (depth != 0 || !section() || !body.isEmpty())
            return "scopes or $enddefinitions";
        while (++i < tokens.size()) {
            const QString& t = tokens.at(i);
            if (t.startsWith('#') && t.mid(1).toLongLong() <= lastTime)
                return "time does not grow at " + t;
            if (t.startsWith('#'))
                lastTime = t.mid(1).toLongLong();
            else if (t == "$comment")
                section();
            else if ((t == "$dumpvars" || t == "$end") && lastTime != 0)
                return "$dumpvars after time 0";
            else if (t != "$dumpvars" && t != "$end" &&
                     !(t.startsWith('r') ? ++i < tokens.size() && change(tokens.at(i), t.mid(1), true)
                                         : change(t.mid(1), t.left(1), false)))
                return "bad change " + t;
        }
        return QString();
    }
    // A wire takes 0 or 1, a real (the counters) a whole number.
    bool change(const QString& code, const QString& value, bool real)
    {
        static const QRegularExpression bit("^[01]$");
        static const QRegularExpression whole("^[0-9]+$");
        if (!names.contains(code) || lastTime < 0 || (widths[code] == 1) == real ||
            !(real ? whole : bit).match(value).hasMatch())
            return false;
        changes[code].append({lastTime, value});
        return true;
    }
    QString codeOf(const QString& name) const { return names.key(name); }
};
} // namespace

// The VCD file: by its grammar, and holding what the run did.
class TestVcd : public QObject
{
    Q_OBJECT

private slots:
    void writesTheRun()
    {
        // IN-CH0 through a 50 ns one-shot to slot 3; MsrCnt0 counts IN-CH1's rises while IN-CH0 is true.
        HandImage h = HandImage::counter(0, 50, 19);
        for (int w = 0; w < ModuleImage::BACKEND_ENTRIES; ++w)
            h.image.setByte(ModuleImage::REG_MSR_LUT + quint32(w), quint8(w & 3));
        h.image.setByte(ModuleImage::REG_MSR_MODE, 1 << 2 | 2);
        SignalNames names = SignalNames::hardware();
        names.inputs[0] = "START";
        PreviewRun run(h.image,
                       stimulusOf("IN-CH0 list width=100 at=100,400\nIN-CH1 list width=5 at=120,150,420"),
                       names, 600, 1000);
        run.runToEnd();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(VcdWriter::write(buffer, run.emulator(), names, run.endCycle(), "a $end inside"));

        VcdReader vcd;
        QCOMPARE(vcd.read(buffer.data()), QString());
        QCOMPARE(vcd.timescale, QString("1 ns"));
        QCOMPARE(vcd.lastTime, qint64(600));
        QCOMPARE(vcd.names.size(), Emulator::TRACE_BITS + 2 * Emulator::COUNTERS);
        using Changes = QVector<QPair<qint64, QString>>;
        QCOMPARE(vcd.changes.value(vcd.codeOf("IN_CH0_START")),
                 (Changes{{0, "0"}, {100, "1"}, {200, "0"}, {400, "1"}, {500, "0"}}));
        QCOMPARE(vcd.changes.value(vcd.codeOf("slot3")),
                 (Changes{{0, "0"}, {100, "1"}, {150, "0"}, {400, "1"}, {450, "0"}}));
        QCOMPARE(vcd.changes.value(vcd.codeOf("MsrCnt0_records")),
                 (Changes{{0, "0"}, {200, "1"}, {500, "2"}}));
        QCOMPARE(vcd.changes.value(vcd.codeOf("MsrCnt0_sum")), (Changes{{0, "0"}, {200, "2"}, {500, "3"}}));
    }

    // Names become identifiers: the channel and the user name joined, anything else an underscore.
    void identifiers()
    {
        QCOMPARE(VcdWriter::identifier("IN-CH0 PMT A"), QString("IN_CH0_PMT_A"));
        QCOMPARE(VcdWriter::identifier(QString("OUT-CH1 Z\u00e4hler")), QString("OUT_CH1_Z_hler"));
    }
};

QTEST_GUILESS_MAIN(TestVcd)
#include "tst_vcd.moc"
