#pragma once

#include <QSize>
#include <QString>

class BlockItem;

// What a block's picture shows, kept as plain data: which of the program's pictures, its size and
// the texts on it. The model decides it and takes the size as the block's extent on the sheet; the
// picture layer draws it.
struct BlockPicture
{
    QString image;     // resource path, e.g. ":/images/PreLgc.png"; empty: no picture
    QSize size;        // the picture's size in pixels
    QString text;      // drawn centred
    QString delay;     // outputs and feedbacks: their fixed delay, drawn at the left before the text
    bool bold = false; // logic blocks show their name in bold as placed, plain after an edit

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

// Shows a logic block, counter function or measure counter as a sheet places it: its settings'
// picture with its user name, in bold for a logic block when bold is set. Other blocks keep theirs.
void showUserName(BlockItem* block, bool bold);
