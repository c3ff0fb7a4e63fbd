#include "model/blockPicture.h"

#include "model/blockCaption.h"
#include "model/blockItem.h"
#include "model/blockKinds.h"

#include <QHash>
#include <QStringList>

namespace {
const QHash<QString, QSize>& sizes()
{
    static const QHash<QString, QSize> table{
        {QStringLiteral(":/images/label-IN.png"), QSize(100, 32)},
        {QStringLiteral(":/images/PreLgc.png"), QSize(100, 60)},
        {QStringLiteral(":/images/PstLgc.png"), QSize(100, 60)},
        {QStringLiteral(":/images/Function.png"), QSize(110, 32)},
        {QStringLiteral(":/images/Function0.png"), QSize(110, 32)},
        {QStringLiteral(":/images/NonFnc.png"), QSize(110, 20)},
        {QStringLiteral(":/images/NIMout.png"), QSize(180, 32)},
        {QStringLiteral(":/images/MsrCnt.png"), QSize(110, 32)},
        {QStringLiteral(":/images/MsrCnt1.png"), QSize(110, 32)},
        {QStringLiteral(":/images/MsrCnt2.png"), QSize(110, 32)},
        {QStringLiteral(":/images/MsrCnt3.png"), QSize(110, 32)},
        {QStringLiteral(":/images/FeedBack.png"), QSize(180, 32)},
        {QStringLiteral(":/images/LabelIN.png"), QSize(100, 28)},
        {QStringLiteral(":/images/Label.png"), QSize(100, 28)},
        {QStringLiteral(":/images/FncLabel.png"), QSize(100, 28)},
    };
    return table;
}
} // namespace

bool BlockPicture::operator==(const BlockPicture& other) const
{
    return image == other.image && size == other.size && text == other.text && delay == other.delay &&
           bold == other.bold && caption == other.caption && operands == other.operands;
}

BlockPicture BlockPicture::of(const QString& image)
{
    BlockPicture picture;
    picture.image = image;
    picture.size = sizeOf(image);
    return picture;
}

QSize BlockPicture::sizeOf(const QString& image)
{
    return sizes().value(image);
}

QStringList BlockPicture::images()
{
    return sizes().keys();
}

QString settingsImage(const BlockItem* block)
{
    const QString type = block->getType();
    if (beginsWith(type, BlockKinds::CNT_FNC)) {
        return NIMCntFnc::getMode(block) == 9 ? QStringLiteral(":/images/Function0.png")
                                              : QStringLiteral(":/images/Function.png");
    }
    if (isMsrCnt(type)) {
        // The picture tells which of the gate and source groups are in use.
        const quint8 m = NIMMsrCnt::getMode(block);
        if (m == 0)
            return QStringLiteral(":/images/MsrCnt3.png");
        if ((m & 3) == 0)
            return QStringLiteral(":/images/MsrCnt2.png");
        if ((m & 12) != 0)
            return QStringLiteral(":/images/MsrCnt.png");
        return QStringLiteral(":/images/MsrCnt1.png");
    }
    return block->getBasePixmap().image;
}

void showUserName(BlockItem* block, bool bold)
{
    const QString type = block->getType();
    const bool logic = isLogicBlock(type);
    if (!logic && !beginsWith(type, BlockKinds::CNT_FNC) && !isMsrCnt(type))
        return;
    if (!logic)
        block->setBasePixmap(BlockPicture::of(settingsImage(block)));
    BlockPicture shown = block->getBasePixmap();
    shown.text = block->getUserName();
    shown.bold = logic && bold;
    block->setPixmap(shown);
}

BlockPicture shownPicture(const BlockItem* block)
{
    BlockPicture shown = block->getPixmap();
    shown.caption = settingsCaption(block);
    if (isLogicBlock(block)) {
        const QMap<int, BlockItem*> ports = block->getPort();
        for (auto it = ports.constBegin(); it != ports.constEnd(); ++it) {
            if (it.value())
                shown.operands.append(it.key());
        }
    }
    return shown;
}
