#include "io/document.h"
#include "model/blockKinds.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/sheetDriver.h"

#include <QAction>
#include <QtTest>

// Random mouse and key edits on the examples: the palette counts what the text reads back to, and
// undo and redo give back the text of every step.
class TestRandomEdits : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_w;
    std::unique_ptr<SheetDriver> m_d;
    ScriptedPrompts* m_prompts = nullptr;
    static constexpr int SEQUENCES = 200;
    QRandomGenerator m_random{20240611};
    QStringList m_files;

    int below(int n) { return int(m_random.bounded(quint32(qMax(1, n)))); }
    QVector<BlockItem*> blocks() const
    {
        QVector<BlockItem*> list;
        for (int c = 0; c < SheetModel::ColumnCount; ++c)
            list += m_d->sheet()->sheet()->column(SheetModel::Column(c)).values().toVector();
        return list;
    }
    BlockItem* anyBlock()
    {
        const QVector<BlockItem*> list = blocks();
        return list.isEmpty() ? nullptr : list.at(below(list.size()));
    }
    QPoint anywhere() { return QPoint(below(760), 90 + below(940)); }

    void edit()
    {
        BlockItem* b = anyBlock();
        switch (below(6)) {
        case 0: { // a palette entry
            const QVector<MenuWidget::menuItem*>& items = m_w->menuWidget()->items();
            m_d->place(items.at(below(items.size()))->name, anywhere());
            break;
        }
        case 1: { // a label-panel entry
            const QVector<LabelModel::LabelInfo> entries =
                m_w->labelWidget()->model()->labels() + m_w->labelWidget()->model()->feedbacks();
            if (!entries.isEmpty())
                m_d->placeLabel(entries.at(below(entries.size())).name, anywhere());
            break;
        }
        case 2: // a wire from an output to a block
            if (BlockItem* to = anyBlock(); b && to)
                m_d->wire(b, to->getPosition() + QPoint(20, 2 + below(26)));
            break;
        case 3: // a block or two moved
            if (b) {
                m_d->click(b);
                if (BlockItem* other = anyBlock(); other && below(2))
                    m_d->click(other, Qt::ControlModifier);
                m_d->drag(b->getPosition() + QPoint(12, 8),
                          QPoint(b->getPosition().x() + 10, 90 + below(940)));
            }
            break;
        case 4: // deleted
            if (b) {
                m_d->click(b);
                QTest::keyClick(m_w.get(), Qt::Key_Delete);
            }
            break;
        case 5: // copied and pasted
            if (b) {
                m_d->click(b);
                m_w->action(QStringLiteral("actionCopy"))->trigger();
                m_w->action(QStringLiteral("actionPaste"))->trigger();
            }
            break;
        }
    }

    // What a command leaves to the event loop (closed pictures going, layouts) is done before the
    // next one, as between two commands of a user.
    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The palette counts what the document's text says is in use.
    void checkUnits(const QByteArray& text)
    {
        Document read;
        QVERIFY(read.parseFile(text));
        QVERIFY(read.readOK());
        const QVector<ResourceCounters::Entry>& live = m_w->document()->counters()->entries();
        for (int i = 0; i < live.size(); ++i)
            QCOMPARE(live.at(i).cnt, read.counters()->entries().at(i).cnt);
    }

private slots:
    void initTestCase()
    {
        m_dir = isolateSettings();
        const QDir examples(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
        for (const QString& file : examples.entryList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Name))
            m_files << examples.filePath(file);
        m_files << FIXTURE;
        // Not shown: nothing is painted, the gestures act the same.
        m_w = scriptedWindow(m_prompts);
        m_d = std::make_unique<SheetDriver>(m_w.get());
    }
    void cleanupTestCase()
    {
        m_d.reset();
        m_w.reset();
    }

    void undoRedo()
    {
        int steps = 0;
        for (int sequence = 0; sequence < SEQUENCES; ++sequence) {
            m_prompts->answers << QMessageBox::Discard;
            m_w->open(m_files.at(below(m_files.size())));
            m_w->tabWidget()->setCurrentIndex(below(m_w->sheetCount()));
            QVector<QByteArray> texts{m_w->document()->toXml()};
            for (int step = 0; step < 8; ++step) {
                edit();
                settle();
                // Position -1 is the start: texts holds one more state than the steps. An edit
                // is one step exactly when it changed the document.
                const QByteArray text = m_w->document()->toXml();
                if (m_w->session().history().index() + 2 == texts.size()) {
                    QCOMPARE(text, texts.last());
                    continue;
                }
                QCOMPARE(m_w->session().history().index() + 1, texts.size());
                QVERIFY(text != texts.last());
                texts << text;
                ++steps;
                checkUnits(texts.last());
            }
            for (int i = texts.size() - 2; i >= 0; --i) {
                m_w->action(QStringLiteral("action_Undo"))->trigger();
                settle();
                QCOMPARE(m_w->document()->toXml(), texts.at(i));
            }
            QVERIFY(!m_w->action(QStringLiteral("action_Undo"))->isEnabled());
            for (int i = 1; i < texts.size(); ++i) {
                m_w->action(QStringLiteral("actionRe_do"))->trigger();
                settle();
                QCOMPARE(m_w->document()->toXml(), texts.at(i));
                checkUnits(texts.at(i));
            }
        }
        // Most gestures land: a test whose edits stopped changing the document would pass above.
        QVERIFY2(steps > SEQUENCES * 8 / 3, qPrintable(QString::number(steps)));
    }
};

QTEST_MAIN(TestRandomEdits)
#include "tst_randomedits.moc"
