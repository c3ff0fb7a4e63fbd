#include "io/document.h"
#include "model/blockItem.h"
#include "model/labelModel.h"

#include <QTest>

#include <memory>
#include <vector>

namespace {
QStringList shown(const QVector<LabelModel::LabelInfo>& list)
{
    QStringList names;
    for (const auto& entry : list)
        names << LabelModel::displayName(entry);
    return names;
}
} // namespace

class TestLabelModel : public QObject
{
    Q_OBJECT

private slots:
    void lists()
    {
        // Labels and FeedBacks apart, each in number order; other names are no label.
        LabelModel model;
        for (const char* name : {"Label10", "Label2", "FeedBack12", "FeedBack3", "Other", "Label1"})
            model.newLabel(block(name, "Label"));
        QCOMPARE(shown(model.labels()), QStringList({"Label1", "Label2", "Label10"}));
        QCOMPARE(shown(model.feedbacks()), QStringList({"FeedBack3", "FeedBack12"}));
        model.rename("Label2", "Trigger");
        model.deleteLabel("Label1");
        QCOMPARE(shown(model.labels()), QStringList({"Trigger", "Label10"}));
        QVERIFY(model.isUsed("Label2", 0));
        model.rename("Label2", "");
        QCOMPARE(shown(model.labels()), QStringList({"Label2", "Label10"}));
        // A drag of a label defined by a PreLabel block carries "Pre" in front.
        model.newLabel(block("Label5", "PreLabel"));
        QCOMPARE(LabelModel::dragName(model.labels().at(1)), QStringLiteral("PreLabel5"));
        QCOMPARE(LabelModel::dragName(model.labels().first()), QStringLiteral("Label2"));
        QCOMPARE(LabelModel::dragName(model.feedbacks().first()), QStringLiteral("FeedBack3"));
    }

    void usedAcrossSheets()
    {
        LabelModel model;
        model.setCurrentTab(1);
        model.newLabel(block("Label4", "Label"));
        // The defining sheet counts as used; a label is in use once a second sheet uses it.
        QVERIFY(model.isUsed("Label4", 1));
        QVERIFY(!model.isLabelUsed("Label4"));
        model.setCurrentTab(0);
        QVERIFY(!model.isUsed("Label4", -1));
        model.setUsed("Label4", true);
        QVERIFY(model.isLabelUsed("Label4"));
        model.setUsed("Label4", false);
        QVERIFY(!model.isLabelUsed("Label4"));
        QVERIFY(model.isUsed("Unknown", 0));
    }

    void outputsBeforeDefinition()
    {
        LabelModel model;
        model.setUsed("FeedBack2", true);
        QVERIFY(!model.feedbacks().at(0).item);
        BlockItem* fb = block("FeedBack2", "FeedBack");
        model.setCurrentTab(1);
        model.newLabel(fb);
        QCOMPARE(model.feedbacks().size(), 1);
        QCOMPARE(model.feedbacks().at(0).item, fb);
        QVERIFY(model.isUsed("FeedBack2", 0) && !model.isUsed("FeedBack2", 1));
        model.forgetItem(fb);
        QVERIFY(!model.feedbacks().at(0).item);
    }

    // A renamed entry answers to its new name (not as a new entry); its drag carries its own name.
    void renamedEntryAnswersToItsNewName()
    {
        LabelModel model;
        model.newLabel(block("FeedBack2", "FeedBack"));
        model.rename("FeedBack2", "Veto");
        model.setUsed("Veto", true);
        QCOMPARE(model.feedbacks().size(), 1);
        QVERIFY(model.labels().isEmpty());
        QVERIFY(model.isUsed("Veto", 0) && model.isUsed("FeedBack2", 0));
        QCOMPARE(LabelModel::dragName(model.feedbacks().at(0)), QString("FeedBack2"));
        // A new name that is another signal's own name does not take that signal's uses.
        model.rename("FeedBack2", "Label4");
        model.setUsed("Label4", true);
        QCOMPARE(model.labels().size(), 1);
        model.rename("FeedBack2", "Veto");
        model.deleteLabel("Veto");
        QVERIFY(model.feedbacks().isEmpty());

        Document doc;
        QVERIFY(doc.parseFile("<Vextor3><tab id=\"0\" name=\"S\"><entry term=\"FeedBack\"><id>0</id>"
                              "<name>FeedBack2</name><userName>Veto</userName></entry></tab></Vextor3>"));
        Document reloaded;
        QVERIFY(reloaded.parseFile(doc.toXml()));
        const LabelModel& labels = *reloaded.labels();
        QCOMPARE(LabelModel::displayName(labels.feedbacks().value(0)), QString("Veto"));
        QVERIFY(!labels.isUsed("Veto", 0));
    }

private:
    BlockItem* block(const QString& name, const QString& type)
    {
        m_blocks.push_back(std::make_unique<NIMLabelIN>(0, 0, name));
        m_blocks.back()->setType(type);
        return m_blocks.back().get();
    }
    std::vector<std::unique_ptr<BlockItem>> m_blocks;
};

QTEST_GUILESS_MAIN(TestLabelModel)
#include "tst_labelmodel.moc"
