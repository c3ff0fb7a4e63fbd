#include "app/keyState.h"

#include <QtTest>

class TestKeyState : public QObject
{
    Q_OBJECT

private slots:
    // Key events in order (a negative key is a release) and, per press, whether it goes on.
    void presses_data()
    {
        QTest::addColumn<QList<int>>("events");
        QTest::addColumn<QString>("passed");
        const int del = Qt::Key_Delete, ctrl = Qt::Key_Control;
        QTest::newRow("held Delete acts once per press") << QList<int>{del, del, -del, del} << "101";
        QTest::newRow("Tab never") << QList<int>{Qt::Key_Tab} << "0";
        QTest::newRow("held Ctrl and others always") << QList<int>{ctrl, ctrl, 'A', 'A'} << "1111";
    }
    void presses()
    {
        QFETCH(QList<int>, events);
        KeyState keys;
        QString passed;
        for (int key : events) {
            if (key < 0)
                keys.release(-key);
            else
                passed += keys.press(key) ? '1' : '0';
        }
        QTEST(passed, "passed");
        QCOMPARE(keys.ctrl(), events.contains(Qt::Key_Control));
        QCOMPARE(keys.tab(), events.contains(Qt::Key_Tab));
    }
};

QTEST_GUILESS_MAIN(TestKeyState)
#include "tst_keystate.moc"
