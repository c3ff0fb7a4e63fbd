#include "io/documentSession.h"
#include "io/pasteRules.h"
#include "io/sheetEdits.h"
#include "model/blockKinds.h"
#include "tests/support/dataRow.h"
#include "tests/support/documentState.h"
#include "tests/support/randomDocument.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {
const QStringList PAYLOADS{"Input",  "PreLogic", "PostLogic", "CntFnc", "DlyFnc",
                           "NonFnc", "FeedBack", "Label",     "MsrCnt", "OUT-CH"};

// One sheet's text of a whole document text: its element, found by its id.
QByteArray sheetOf(const QByteArray& text, int id)
{
    const int from = text.indexOf("<tab id=\"" + QByteArray::number(id) + "\"");
    return from < 0 ? QByteArray() : text.mid(from, text.indexOf("</tab>", from) - from);
}
} // namespace

// The history of one document: a step per change, the saved and sent marks, the memory bound, and
// undo and redo that read only the sheets that changed yet leave the document as reading its
// whole text would.
class TestDocumentSession : public QObject
{
    Q_OBJECT

private:
    // Random edits as the sheets make them, through the document's own operations.
    struct Editor
    {
        Document& doc;
        RandomLogic::Generator gen;

        int below(int n) { return gen.below(qMax(1, n)); }
        QVector<BlockItem*> blocks(int tid)
        {
            QVector<BlockItem*> list;
            for (int c = 0; c < SheetModel::ColumnCount; ++c)
                list += doc.sheet(tid)->column(SheetModel::Column(c)).values().toVector();
            return list;
        }
        void edit()
        {
            const int tid = below(doc.sheetCount());
            SheetEdits edits(&doc, tid);
            const QVector<BlockItem*> onSheet = blocks(tid);
            BlockItem* b = onSheet.isEmpty() ? nullptr : onSheet.at(below(onSheet.size()));
            const SheetModel::Column column = b ? doc.sheet(tid)->columnOf(b) : SheetModel::InputColumn;
            switch (below(11)) {
            case 0:
            case 1: {
                QStringList payloads = PAYLOADS;
                for (const auto* list : {&doc.labels()->labels(), &doc.labels()->feedbacks()}) {
                    for (const LabelModel::LabelInfo& entry : *list)
                        payloads << LabelModel::dragName(entry);
                }
                edits.create(payloads.at(below(payloads.size())),
                             SheetModel::Column(below(SheetModel::ColumnCount)));
                break;
            }
            case 2:
            case 3: // a wire from a block of the column before
                if (b && column > SheetModel::InputColumn) {
                    const QList<BlockItem*> sources =
                        doc.sheet(tid)->column(SheetModel::Column(column - 1)).values();
                    if (!sources.isEmpty()) {
                        const QString name = sources.at(below(sources.size()))->getName();
                        edits.connect(gen.chance(50) ? name : "OUT" + name, column, b->getIndex(), below(2));
                    }
                }
                break;
            case 4:
                edits.deleteItem(b);
                break;
            case 5:
                if (b)
                    doc.sheet(tid)->move(b, gen.chance(50) ? -1 : 1);
                break;
            case 6:
                if (b && isCrossSheetName(b->getName()))
                    doc.renameLabel(b->getName(), QStringLiteral("L%1").arg(below(5)));
                else if (b && isInputName(b->getName()))
                    doc.renameInput(b->getName(), QStringLiteral("In%1").arg(below(5)));
                else if (b)
                    b->setUserName(QStringLiteral("U%1").arg(below(5)));
                break;
            case 7:
                if (b && gen.chance(50))
                    edits.changeLabel(b, gen.chance(50));
                else if (b && isLogicBlock(b))
                    b->setPropertyString(QStringLiteral("_A and not _B"));
                break;
            case 8: // copied blocks pasted onto a sheet
                if (b)
                    PasteRules::paste(&doc, below(doc.sheetCount()),
                                      Clipboard::copyText({b, onSheet.at(below(onSheet.size()))}).toUtf8());
                break;
            case 9:
                doc.info().strAddr = QStringLiteral("10.0.0.%1").arg(below(4));
                break;
            case 10: // the sheets themselves
                if (gen.chance(40))
                    doc.setSheetName(tid, QStringLiteral("S%1").arg(below(4)));
                else if (gen.chance(50) && doc.sheetCount() < 4)
                    doc.newSheet();
                else
                    doc.removeSheet(tid);
                break;
            }
        }
    };

private slots:
    // A script of steps (c makes a change, n an edit that changes nothing, u undoes, r redoes, s
    // marks the current state saved, l marks it sent to the module, x starts the history afresh)
    // and the state it leaves: the position, then what holds of Undo, Redo, the modified mark and
    // the module.
    void marks_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("state");
        dataRow("after a change", "c", "0 undo modified");
        dataRow("an edit that changes nothing", "cn", "0 undo modified");
        dataRow("undo to a step", "ccu", "0 undo redo modified");
        dataRow("undo to the start", "cu", "-1 redo");
        dataRow("redo to the last", "ccuurr", "1 undo modified");
        dataRow("back at the saved state", "cscu", "0 undo redo");
        dataRow("back at the sent state", "clcu", "0 undo redo modified module");
        dataRow("a change drops the redo branch", "ccuuc", "0 undo modified");
        // The saved and the sent state went with the redo branch; the new state at their
        // position is another one.
        dataRow("saved state dropped", "ccsucur", "1 undo modified");
        dataRow("sent state dropped", "cluc", "0 undo modified");
        dataRow("started afresh", "ccsx", "-1");
    }
    void marks()
    {
        QFETCH(QString, script);
        DocumentSession session;
        int changes = 0;
        const QHash<QChar, std::function<void()>> steps{
            {'c',
             [&] {
                 auto step = session.edit();
                 auto inner = session.edit(); // scopes nest: one step
                 session.document()->setSheetName(0, QString::number(++changes));
             }},
            {'n', [&] { auto step = session.edit(); }},
            {'u', [&] { session.undo(); }},
            {'r', [&] { session.redo(); }},
            {'s', [&] { session.markSaved(); }},
            {'l', [&] { session.markSent(); }},
            {'x', [&] { session.startHistory(); }}};
        for (const QChar step : script)
            steps.value(step)();
        const QString state = QString::number(session.history().index()) +
                              (session.canUndo() ? " undo" : "") + (session.canRedo() ? " redo" : "") +
                              (session.isModified() ? " modified" : "") +
                              (session.matchesModule() ? " module" : "");
        QTEST(state, "state");
    }

    // The connection settings follow the steps that changed them only: the module the user
    // chose stays the target whatever else is undone.
    void settingsFollowTheirOwnSteps()
    {
        DocumentSession session;
        Document& doc = *session.document();
        auto change = [&](const std::function<void()>& what) {
            auto step = session.edit();
            what();
        };
        change([&] { doc.info().strAddr = QStringLiteral("10.0.0.1"); });
        change([&] { doc.setSheetName(0, QStringLiteral("Trigger")); });
        doc.info().strAddr = QStringLiteral("10.0.0.2"); // chosen outside the history
        session.undo();
        QCOMPARE(doc.info().strAddr, QStringLiteral("10.0.0.2"));
        session.undo();
        QCOMPARE(doc.info().strAddr, QStringLiteral("192.168.10.16"));
        session.redo();
        QCOMPARE(doc.info().strAddr, QStringLiteral("10.0.0.1"));
    }

    // States share the pieces that did not change; beyond the bound the oldest go, the current
    // one stays.
    void memoryIsBounded()
    {
        QRandomGenerator random(7);
        auto noise = [&random](int bytes) {
            QByteArray data(bytes, '\0');
            for (char& c : data)
                c = char(random.bounded(256));
            return data;
        };
        DocumentHistory::Pieces state{"head", noise(4000), noise(4000), noise(4000)};
        QVector<DocumentHistory::Pieces> recorded{state};
        auto text = [](const DocumentHistory::Pieces& pieces) {
            return pieces.toList().join() + "</Vextor3>\n";
        };
        DocumentHistory history;
        history.start(state);
        const qint64 start = history.memoryBytes();
        for (int step = 0; step < 50; ++step) {
            state[1 + step % 3] = noise(4000);
            QVERIFY(history.record(state));
            recorded << state;
        }
        QVERIFY(!history.record(state));
        // One piece more per step.
        QVERIFY2(history.memoryBytes() < start + 50 * 4200,
                 qPrintable(QString::number(history.memoryBytes())));
        // A change after undoing ten steps frees them.
        const qint64 before = history.memoryBytes();
        for (int step = 0; step < 10; ++step)
            history.undo();
        recorded.resize(recorded.size() - 10);
        state = recorded.last();
        state[1] = noise(4000);
        QVERIFY(history.record(state));
        recorded << state;
        QVERIFY(history.memoryBytes() < before - 8 * 4000);
        QVERIFY(history.memoryBytes() > before - 11 * 4200);
        history.setLimit(start + 10 * 4200);
        QVERIFY(history.memoryBytes() <= history.limit());
        QVERIFY(history.count() >= 9 && history.count() < 50);
        QCOMPARE(history.saveIndex(), int(DocumentHistory::GONE)); // the saved start went
        QVERIFY(history.isModified());
        QCOMPARE(history.text(-1), text(recorded.at(recorded.size() - 1 - history.count())));
        QCOMPARE(history.text(history.index()), text(state));
        history.setLimit(1);
        QCOMPARE(history.count(), 0);
        QCOMPARE(history.text(-1), text(state));
    }

    // Random edits of random documents: every step reads back as the text it recorded, undo and
    // redo leave the document as a whole read of that text would (blocks, their order, counts,
    // labels), and only the sheets whose text differs are read again.
    void randomEditsUndoAsRead()
    {
        for (quint32 seed = 1; seed <= 100; ++seed) {
            DocumentSession session;
            Document& doc = *session.document();
            {
                Document built;
                RandomDocument(built, seed).build();
                QVERIFY(doc.parseFile(built.toXml()));
            }
            session.startHistory();
            Editor editor{doc, RandomLogic::Generator(seed)};
            QVector<QByteArray> texts{doc.toXml()};
            for (int step = 0; step < 12; ++step) {
                {
                    auto change = session.edit();
                    editor.edit();
                }
                const QByteArray text = doc.toXml();
                QCOMPARE(session.history().index() + 1, texts.size() - (text == texts.last() ? 1 : 0));
                if (text != texts.last())
                    texts << text;
            }
            QSignalSpy removed(&doc, &Document::blockRemoved);
            auto check = [&](int at, int from) {
                QCOMPARE(doc.toXml(), texts.at(at));
                QCOMPARE(documentState(doc), stateAsRead(texts.at(at)));
                const bool sameSheets = texts.at(at).count("<tab ") == texts.at(from).count("<tab ");
                for (const QList<QVariant>& signal : qAsConst(removed)) {
                    const int tid = signal.at(0).toInt();
                    QVERIFY(!sameSheets || sheetOf(texts.at(at), tid) != sheetOf(texts.at(from), tid));
                }
                removed.clear();
            };
            for (int i = texts.size() - 2; i >= 0; --i) {
                session.undo();
                check(i, i + 1);
            }
            for (int i = 1; i < texts.size(); ++i) {
                session.redo();
                check(i, i - 1);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestDocumentSession)
#include "tst_documentsession.moc"
