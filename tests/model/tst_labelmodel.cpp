#include "io/document.h"
#include "model/blockItem.h"
#include "model/labelModel.h"

#include <QTest>

#include <memory>
#include <vector>

class TestLabelModel : public QObject
{
    Q_OBJECT

private slots:
    void labelsKeptInNumberOrder()
    {
        LabelModel model;
        model.newLabel(block("Label10", "PreLabel"));
        model.newLabel(block("Label2", "Label"));
        model.newLabel(block("FeedBack12", "FeedBack"));
        model.newLabel(block("FeedBack3", "FeedBack"));
        model.newLabel(block("Other", "Label"));
        QStringList names;
        for (const auto& label : model.labels())
            names << label.name;
        QCOMPARE(names, QStringList({"Label2", "Label10"}));
        QCOMPARE(model.feedbacks().at(0).name, QString("FeedBack3"));
        QCOMPARE(model.feedbacks().at(1).name, QString("FeedBack12"));
    }

    void isLabelUsedAcrossSheets()
    {
        LabelModel model;
        model.setCurrentTab(1);
        model.newLabel(block("Label4", "Label"));
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

    void images_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type"); // empty: no defining block
        QTest::addColumn<bool>("used");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("drag");
        auto row = [](const char* tag, const QString& name, const QString& type, bool used,
                      const QString& image,
                      const QString& drag) { QTest::newRow(tag) << name << type << used << image << drag; };
        row("FeedBack free", "FeedBack0", "FeedBack", false, ":/images/LabelON.png", "FeedBack0");
        row("Label free", "Label1", "Label", false, ":/images/FncLabelON.png", "Label1");
        row("label never defined", "Label1", "", false, ":/images/LabelOFF.png", "Label1");
    }

    void images()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(bool, used);
        LabelModel model;
        model.setCurrentTab(2);
        if (!type.isEmpty())
            model.newLabel(block(name, type));
        model.setCurrentTab(0);
        model.setUsed(name, used);
        const auto& list = name.startsWith("FeedBack") ? model.feedbacks() : model.labels();
        QCOMPARE(list.size(), 1);
        QTEST(model.imageFor(list.at(0), 0), "image");
        QTEST(LabelModel::dragName(list.at(0)), "drag");
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
        QVERIFY(model.isUsed("FeedBack2", 0));
        QVERIFY(!model.isUsed("FeedBack2", 1));
        model.forgetItem(fb);
        QVERIFY(!model.feedbacks().at(0).item);
    }

    void renameKeepsLookups()
    {
        LabelModel model;
        model.newLabel(block("Label5", "Label"));
        model.rename("Label5", "Trigger");
        QCOMPARE(LabelModel::displayName(model.labels().at(0)), QString("Trigger"));
        QVERIFY(model.isUsed("Label5", 0));
        model.rename("Label5", "");
        QCOMPARE(LabelModel::displayName(model.labels().at(0)), QString("Label5"));
    }

    // A renamed entry shows its new name and answers to it as an entry that took the name would:
    // setUsed, isUsed and deleteLabel reach it (not a new entry). Its drag still carries the
    // signal's own name, from which a drop makes an output of that signal; a save and reload
    // keeps the new name.
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

    void deleteAndClear()
    {
        LabelModel model;
        model.newLabel(block("Label1", "Label"));
        model.newLabel(block("Label2", "Label"));
        model.newLabel(block("FeedBack3", "FeedBack"));
        model.deleteLabel("Label1");
        QCOMPARE(model.labels().size(), 1);
        QCOMPARE(model.labels().at(0).name, QString("Label2"));
        model.clearEntry();
        QVERIFY(model.labels().isEmpty());
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
