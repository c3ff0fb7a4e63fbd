#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

class BlockDiagram;

// The part of the module's register space that a download writes and a verification compares,
// byte for byte as the module holds it: the function registers from REG_DLY_FUNC and the four
// lookup tables from REG_FRONTEND_LUT_BEGIN. An image is empty until it is computed or read.
struct RegisterImage
{
    static constexpr int FUNC_SIZE = 140;    // 0x0004..0x008F
    static constexpr int TABLES_SIZE = 8192; // 0x2000..0x3FFF

    QByteArray func;
    QByteArray tables;

    // What a download of the diagram writes (the block mapping is redone). Expression errors are
    // thrown as QString, as in the download.
    static RegisterImage of(BlockDiagram& diagram);

    bool isComplete() const { return func.size() == FUNC_SIZE && tables.size() == TABLES_SIZE; }
    // Whether every byte that verification compares is equal (registers that are zero-filled or
    // not written by a download are left out). Incomplete images match nothing.
    bool matches(const RegisterImage& other) const;
};

// Where a verification stopped: the first register or table entry in which the module's read-out
// differs from the document, as wide as the register (1, 2 or 4 bytes), with the value the
// document gives and the one the module holds (none where the read-out ended before it).
struct RegisterMismatch
{
    quint32 address = 0;
    int width = 1;
    quint32 document = 0;
    std::optional<quint32> module;

    // "address 0x<address>\ncurrent:<document>  register:<module, or missing>\n": the address in
    // eight lower-case hexadecimal digits, each value in two per byte.
    QString text() const;
};

// One setting in which the module differs from the document: the register or table entry at
// address, named by the block and setting it comes from, with both values (0 or 1 for a bit of a
// mask or of a lookup-table entry).
struct ImageDifference
{
    quint32 address = 0;
    int bit = -1; // the bit of a mask or table entry, -1 for a whole register
    QString setting;
    quint32 module = 0;
    quint32 document = 0;

    // "<setting> (0x<address>[ bit <n>]): module <value>, document <value>"
    QString text() const;
};

// Every difference between the module's image and the document's, in address order. The names
// come from the diagram's latest block mapping, which must be the one that produced document.
QVector<ImageDifference> imageDifferences(const BlockDiagram& diagram, const RegisterImage& document,
                                          const RegisterImage& module);
// The settings in the register or table entry where a verification stopped, named as above; empty
// when the mismatch is at no compared register or the module's read-out ended before it.
QVector<ImageDifference> mismatchDifferences(const BlockDiagram& diagram, const RegisterMismatch& mismatch);
