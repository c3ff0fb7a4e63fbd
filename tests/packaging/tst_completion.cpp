#include "tests/support/dataRow.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The built bash completion of vextor-cli, run by bash as it completes a command line.
class TestCompletion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkdir("logs"));
        for (const char* name : {"run.vxt3", "notes.txt", "pulses.stim"}) {
            QFile file(m_dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    void completes_data()
    {
        QTest::addColumn<QStringList>("words"); // the last one is being completed
        QTest::addColumn<QString>("offered");
        dataRow("command", QStringList{"rom-r"}, QString("rom-restore"));
        dataRow("command after global options", QStringList{"-h", "10.0.0.1", "-o", "3", "sta"},
                QString("status"));
        dataRow("global option", QStringList{"-"}, QString("--json -h -o -t -u"));
        dataRow("command after a global flag", QStringList{"--json", "rom-r"}, QString("rom-restore"));
        dataRow("no guess at a host", QStringList{"-h", ""}, QString());
        dataRow("command option", QStringList{"protect", "--c"}, QString("--current"));
        dataRow("option after a valued one",
                QStringList{"rom-save", "run.vxt3", "3", "--comment", "x", "--f"}, QString("--force"));
        dataRow("option values", QStringList{"protect", "--boot", ""}, QString("off on"));
        dataRow("document", QStringList{"drc", ""}, QString("logs run.vxt3"));
        dataRow("no guess at a block", QStringList{"truth-table", "run.vxt3", ""}, QString());
        dataRow("folder", QStringList{"monitor", "run.vxt3", "--csv-dir", ""}, QString("logs"));
        dataRow("file", QStringList{"sync", "--out", ""}, QString("logs notes.txt pulses.stim run.vxt3"));
        dataRow("stimulus", QStringList{"preview", "run.vxt3", ""}, QString("logs pulses.stim"));
        dataRow("stimulus of another name", QStringList{"preview", "run.vxt3", "n"}, QString("notes.txt"));
        dataRow("template", QStringList{"new", "--template", "co"}, QString("coincidence-2 coincidence-3"));
        dataRow("unknown command", QStringList{"bogus", ""}, QString());
        dataRow("module list", QStringList{"fleet", "n"}, QString("notes.txt"));
        dataRow("fleet command", QStringList{"fleet", "crate.list", "--jobs", "2", "m"}, QString("monitor"));
        dataRow("fleet command's option", QStringList{"fleet", "crate.list", "monitor", "--s"},
                QString("--seconds --start"));
        dataRow("fleet command's value", QStringList{"fleet", "crate.list", "monitor", "--csv-dir", ""},
                QString("logs"));
        dataRow("fleet jobs", QStringList{"fleet", "crate.list", "verify", "--"}, QString("--jobs --report"));
        dataRow("no document after a fleet command", QStringList{"fleet", "crate.list", "drc", ""},
                QString());
    }

    void completes()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, offered);
        const QString script = QStringLiteral("source \"$1\"; shift; COMP_WORDS=(\"$@\"); "
                                              "COMP_CWORD=$(($# - 1)); _vextor_cli; "
                                              "printf '%s\\n' \"${COMPREPLY[@]}\"");
        QProcess bash;
        bash.setWorkingDirectory(m_dir.path());
        bash.start("bash", QStringList{"-c", script, "bash", VEXTOR_BINARY_DIR "/packaging/vextor-cli.bash",
                                       "vextor-cli"} +
                               words);
        QVERIFY(bash.waitForFinished());
        QCOMPARE(QString::fromLocal8Bit(bash.readAllStandardError()), QString());
        QStringList got =
            QString::fromLocal8Bit(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        got.sort();
        QCOMPARE(got.join(' '), offered);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCompletion)
#include "tst_completion.moc"
