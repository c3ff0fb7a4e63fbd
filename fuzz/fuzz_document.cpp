// Reads arbitrary bytes as a document. Whatever the reader accepts must write out as a document
// that reads back, and one save later the text must be stable. Any crash, sanitizer report,
// hang or abort is a finding.
#include "document.h"

#include <QByteArray>

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

// Blocks hold pixmaps, which need an application object even when nothing is drawn.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_document";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    Document doc;
    doc.parseFile(input);
    doc.parseCheck(input);
    const QByteArray first = doc.toXml();

    Document second;
    if (!second.parseFile(first))
        abort(); // the writer produced something the reader refuses
    const QByteArray saved = second.toXml();
    Document third;
    if (!third.parseFile(saved) || third.toXml() != saved)
        abort(); // a saved document does not survive being opened and saved again

    // Editing operations on whatever was read.
    for (int i = 0; i < third.sheetCount(); ++i) {
        SheetModel* sheet = third.sheet(i);
        for (int c = 0; c < SheetModel::ColumnCount; ++c) {
            const QList<BlockItem*> blocks = sheet->column(SheetModel::Column(c)).values();
            for (BlockItem* b : blocks)
                sheet->move(b, (b->getIndex() & 1) ? -1 : 1);
        }
    }
    if (third.sheetCount() > 1)
        third.removeSheet(0);
    return 0;
}
