#include "tests/support/dataRow.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The installed document type, read by Qt's shared-mime-info reader: by name, by root element.
class TestMimeType : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The package's type beside the standard ones, compiled by update-mime-database.
        QVERIFY(m_dir.isValid());
        const QString packages = m_dir.filePath("data/mime/packages");
        QVERIFY(QDir().mkpath(packages));
        QVERIFY(
            QFile::copy("/usr/share/mime/packages/freedesktop.org.xml", packages + "/freedesktop.org.xml"));
        QVERIFY(QFile::copy(VEXTOR_SOURCE_DIR "/packaging/vextor.xml", packages + "/vextor.xml"));
        // The database is read once, on first use, from these folders alone.
        qputenv("XDG_DATA_HOME", m_dir.filePath("home").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", m_dir.filePath("data").toLocal8Bit());
        QProcess update;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PKGSYSTEM_ENABLE_FSYNC", "0"); // a scratch database need not survive a crash
        update.setProcessEnvironment(environment);
        update.start("update-mime-database", {m_dir.filePath("data/mime")});
        QVERIFY(update.waitForFinished());
        QCOMPARE(update.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(update.readAllStandardError()), QString()); // no warning
    }

    void recognises_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("type");
        QFile example(VEXTOR_SOURCE_DIR "/examples/coincidence.vxt3");
        QVERIFY(example.open(QIODevice::ReadOnly));
        const QByteArray document = example.readAll();
        dataRow("by name", QString("run.vxt3"), document, QString("application/x-vextor3"));
        dataRow("by root element", QString("run-backup"), document, QString("application/x-vextor3"));
        dataRow("renamed to .xml", QString("run.xml"), document, QString("application/x-vextor3"));
        dataRow("other XML named .xml", QString("other.xml"),
                QByteArray("<?xml version=\"1.0\"?>\n<Vextor2 addr=\"1\"/>\n"), QString("application/xml"));
        dataRow("XML without declaration", QString("bare.xml"), QByteArray("<list/>\n"),
                QString("application/xml"));
        dataRow("other XML", QString("other"), QByteArray("<?xml version=\"1.0\"?>\n<Vextor2 addr=\"1\"/>\n"),
                QString("application/xml"));
    }

    void recognises()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, type);
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const QMimeType found = QMimeDatabase().mimeTypeForFile(file.fileName());
        QCOMPARE(found.name(), type);
        if (type == "application/x-vextor3")
            QCOMPARE(found.iconName(), QString("vextor"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestMimeType)
#include "tst_mimetype.moc"
