#pragma once

#include <QSize>
#include <QString>
#include <QVector>

class BlockItem;

// What a block's picture shows, kept as plain data: which of the program's pictures, its size and
// the texts on it. The model decides it and takes the size as the block's extent on the sheet; the
// picture layer draws it.
struct BlockPicture
{
    QString image;         // resource path, e.g. ":/images/PreLgc.png"; empty: no picture
    QSize size;            // the picture's size in pixels
    QString text;          // drawn centred
    QString delay;         // outputs and feedbacks: their fixed delay, drawn at the left before the text
    bool bold = false;     // logic blocks show their name in bold as placed, plain after an edit
    QString caption;       // what the settings do, drawn small below the text
    QVector<int> operands; // logic blocks: the connected inputs, lettered at their pins

    bool isNull() const { return image.isEmpty(); }
    bool operator==(const BlockPicture& other) const;
    bool operator!=(const BlockPicture& other) const { return !(*this == other); }

    // The picture with this resource path, without texts.
    static BlockPicture of(const QString& image);
    // The size of each block picture in pixels (the picture files' sizes); empty for an unknown path.
    static QSize sizeOf(const QString& image);
    // Every block picture's resource path.
    static QStringList images();
};

// The picture a block's settings call for: a counter function in mode 9 (it runs without a source)
// and each group of measure-counter modes have their own; other blocks keep the one they have.
QString settingsImage(const BlockItem* block);

// The picture as a sheet shows it: the stored one with the block's settings caption and, for a
// logic block, its connected operands. Derived on every call, so it follows every edit.
BlockPicture shownPicture(const BlockItem* block);

// Shows a logic block, counter function or measure counter as a sheet places it: its settings'
// picture with its user name, in bold for a logic block when bold is set. Other blocks keep theirs.
void showUserName(BlockItem* block, bool bold);
