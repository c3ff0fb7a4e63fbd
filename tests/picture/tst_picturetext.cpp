#include "model/blockItem.h"
#include "picture/blockPainter.h"
#include "picture/pictureText.h"

#include <QGuiApplication>
#include <QPainter>
#include <QtTest>

#include <functional>
#include <memory>

using Picture = std::function<QPair<QImage, QImage>()>; // (without text, with text)
Q_DECLARE_METATYPE(Picture)

namespace {
template<typename T> Picture block(const QString& name, const QString& userName)
{
    return [name, userName] {
        T b(0, 0, name);
        b.setUserName(userName);
        return qMakePair(BlockPainter::pixmap(b.getBasePixmap()).toImage(),
                         BlockPainter::pixmap(&b).toImage());
    };
}

Picture entry(const QString& resource, const QString& text)
{
    return [resource, text] {
        const QPixmap base(resource);
        QPixmap shown = base;
        QPainter painter(&shown);
        PictureText::drawCentred(painter, shown.rect(), PictureText::inset(resource), text);
        painter.end();
        return qMakePair(base.toImage(), shown.toImage());
    };
}

// The columns where the text changed the picture.
QPair<int, int> textColumns(const QImage& base, const QImage& shown)
{
    int left = base.width(), right = -1;
    for (int y = 0; y < base.height(); ++y) {
        for (int x = 0; x < base.width(); ++x) {
            if (base.pixel(x, y) != shown.pixel(x, y)) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
    }
    return qMakePair(left, right);
}
} // namespace

// However long a name, its text stays off the ports, marks and tag holes of the picture.
class TestPictureText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QFont font = QGuiApplication::font();
        font.setPixelSize(12);
        QGuiApplication::setFont(font);
    }

    void staysInside_data()
    {
        QTest::addColumn<Picture>("picture");
        QTest::addColumn<int>("left");  // the first column text may use
        QTest::addColumn<int>("right"); // columns from the right edge text leaves free
        const QString longName = QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW");
        QTest::newRow("input") << block<NIM_IN>("IN-CH0", longName) << 14 << 14;
        QTest::newRow("output, long name") << block<NIMOut>("OUT-CH1", longName) << 8 << 8;
        QTest::newRow("feedback") << block<NIMFeedBackIN>("FeedBack0", longName) << 8 << 15;
        QTest::newRow("label in") << block<NIMLabelIN>("Label0", longName) << 12 << 12;
        QTest::newRow("measure counter") << block<NIMMsrCnt>("MsrCnt0", longName) << 8 << 8;
        QTest::newRow("palette feedback") << entry(":/images/MenuFeedBack.png", "FeedBack(8/8)") << 14 << 14;
        QTest::newRow("label panel") << entry(":/images/LabelON.png", longName) << 10 << 10;
    }
    void staysInside()
    {
        QFETCH(Picture, picture);
        QFETCH(int, left);
        QFETCH(int, right);
        const auto images = picture();
        const QPair<int, int> columns = textColumns(images.first, images.second);
        QVERIFY2(columns.second >= 0, "no text drawn");
        QVERIFY2(columns.first >= left, qPrintable(QString::number(columns.first)));
        QVERIFY2(columns.second < images.first.width() - right, qPrintable(QString::number(columns.second)));
    }

    // A block's extent on the sheet (its ports, wires and hit area) is the size of its picture.
    void sizesArePictureSizes()
    {
        for (const QString& image : BlockPicture::images())
            QCOMPARE(BlockPicture::sizeOf(image), PictureText::picture(image).size());
    }

    // Short texts keep the font; long ones shrink no further than the smallest size, then elide.
    void fitting()
    {
        const QFont font = QGuiApplication::font();
        QCOMPARE(PictureText::fittedFont(font, QStringLiteral("IN"), 80), font);
        QCOMPARE(PictureText::fittedText(font, QStringLiteral("IN"), 80), QStringLiteral("IN"));
        const QString longText(40, QLatin1Char('W'));
        QCOMPARE(PictureText::fittedFont(font, longText, 80).pixelSize(), 9);
        QVERIFY(PictureText::fittedText(font, longText, 80).endsWith(QChar(0x2026)));
    }
};

QTEST_MAIN(TestPictureText)
#include "tst_picturetext.moc"
