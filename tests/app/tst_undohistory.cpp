#include "app/undoHistory.h"

#include <QtTest>

#include <functional>

class TestUndoHistory : public QObject
{
    Q_OBJECT

private slots:
    // A script of steps (c records a change, u undoes, r redoes, s marks the current state saved,
    // l marks it sent to the module, x clears) and the state it leaves: the position, then what
    // holds of Undo, Redo, the modified mark and the module.
    void states_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("state");
        auto row = [](const char* tag, const char* script, const char* state) {
            QTest::newRow(tag) << QString(script) << QString(state);
        };
        row("after a change", "c", "0 undo modified");
        row("undo to a snapshot", "ccu", "0 undo redo modified");
        row("undo to the opened text", "cu", "-1 redo module");
        row("redo to the last", "ccuurr", "1 undo modified");
        row("back at the saved state", "cscu", "0 undo redo");
        row("back at the sent state", "clcu", "0 undo redo modified module");
        row("a change drops the redo branch", "ccuuc", "0 undo modified");
        // The saved and the sent state went with the redo branch; the new state at their
        // position is another one.
        row("saved state dropped", "ccsucur", "1 undo modified");
        row("sent state dropped", "cluc", "0 undo modified");
        row("cleared", "ccsx", "-1 module");
    }
    void states()
    {
        QFETCH(QString, script);
        UndoHistory history;
        const QHash<QChar, std::function<void()>> steps{
            {'c', [&] { history.record("text"); }}, {'u', [&] { history.undo(); }},
            {'r', [&] { history.redo(); }},         {'s', [&] { history.markSaved(); }},
            {'l', [&] { history.markLoaded(); }},   {'x', [&] { history.clear(); }}};
        for (const QChar step : script)
            steps.value(step)();
        const QString state = QString::number(history.index()) + (history.canUndo() ? " undo" : "") +
                              (history.canRedo() ? " redo" : "") + (history.isModified() ? " modified" : "") +
                              (history.matchesModule() ? " module" : "");
        QTEST(state, "state");
    }
};

QTEST_GUILESS_MAIN(TestUndoHistory)
#include "tst_undohistory.moc"
