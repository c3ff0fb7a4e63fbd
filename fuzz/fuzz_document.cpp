// Reads arbitrary bytes as a document. Whatever the reader accepts must write out as a document
// that reads back and saves to the same text again. Any crash, sanitizer report, hang or abort
// is a finding.
#include "io/document.h"

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

namespace {
// Hands out slots in turn, some beyond the sheet, and renames every other block.
class Paster : public PasteHook
{
public:
    int pasteItem(const QString&, QString& name) override
    {
        if (++m_count % 2)
            name += QLatin1Char('x');
        return m_count < 40 ? m_count : -1;
    }
    int m_count = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    Document doc;
    doc.parseFile(input);
    DocumentReader(&doc).check(input);
    const QByteArray first = doc.toXml();

    Document second;
    if (!second.parseFile(first))
        abort(); // the writer produced something the reader refuses
    const QByteArray saved = second.toXml();
    if (saved != first)
        abort(); // a saved document does not survive being opened and saved again
    Document third;
    if (!third.parseFile(saved))
        abort();

    // Editing operations on whatever was read.
    for (int i = 0; i < third.sheetCount(); ++i) {
        SheetModel* sheet = third.sheet(i);
        for (int c = 0; c < SheetModel::ColumnCount; ++c) {
            const QList<BlockItem*> blocks = sheet->column(SheetModel::Column(c)).values();
            for (BlockItem* b : blocks)
                sheet->move(b, (b->getIndex() & 1) ? -1 : 1);
        }
    }
    // The input as a clipboard text pasted into the last sheet.
    Paster checker, paster;
    DocumentReader reader(&third);
    reader.setPaste(&checker, third.sheetCount() - 1);
    reader.check(input);
    reader.setPaste(&paster, third.sheetCount() - 1);
    reader.paste(input);
    if (third.sheetCount() > 1)
        third.removeSheet(0);
    Document fourth;
    if (!fourth.parseFile(third.toXml()))
        abort();
    return 0;
}
