// Arbitrary module contents against the device worker and what reads its results: function
// registers and lookup tables (verification, the naming of every difference), protection, boot
// byte, current-slot register and slot comments (status, synchronisation), and the ROM page store
// with its FAT and chains (restore, save). The worker runs its real jobs against the simulator's
// memory in this thread. Any crash or sanitizer report is a finding, and so is an abort on a
// broken promise: a verification that matches what differs, a difference list that misses one, a
// document saved on any FAT that does not read back as saved.
#include "device/moduleStatus.h"
#include "device/netSetup.h"
#include "io/document.h"
#include "model/registerImage.h"
#include "tests/support/directModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextDocument>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {
struct Example
{
    std::unique_ptr<Document> doc;
    RegisterImage image;
    QByteArray xml;
};

std::vector<Example>& examples()
{
    static std::vector<Example> list;
    return list;
}

// What one job reported.
struct Job
{
    bool bOk = false;
    bool bXml = false;
    QByteArray xml;
    QByteArray data;
    QString error;
};

Job run(DirectWorker& worker)
{
    Job job;
    QObject::connect(&worker, &QUdpThread::setXml, [&job](QByteArray* xml, QString) {
        job.bXml = true;
        job.xml = *xml;
    });
    QObject::connect(&worker, &QUdpThread::readData, [&job](QByteArray* data) { job.data = *data; });
    QObject::connect(&worker, &QTamp::error, [&job](QString* text) { job.error = *text; });
    QObject::connect(&worker, &QTamp::closed, [&job](bool ok) { job.bOk = ok; });
    worker.runHere();
    return job;
}

RegisterImage moduleImage(const ModuleMemory& memory)
{
    RegisterImage image;
    image.func = memory.store(ModuleMemory::STORE_REGISTERS).mid(int(BlockDiagram::REG_DLY_FUNC));
    image.tables = memory.store(ModuleMemory::STORE_TABLES);
    return image;
}

// Verification of the diagram against the module, and every difference named.
void verify(ModuleMemory& memory, BlockDiagram& diagram, const RegisterImage& expected)
{
    DirectWorker worker(memory);
    QTextDocument report;
    worker.setData(&diagram, &report);
    const Job job = run(worker);
    if (!job.bOk && !worker.firstMismatch())
        return; // the job failed before it compared anything
    const RegisterImage module = moduleImage(memory);
    const QVector<ImageDifference> differences = imageDifferences(diagram, expected, module);
    if (job.bOk != expected.matches(module) || job.bOk != differences.isEmpty())
        abort(); // the comparison and the listing disagree
    for (const ImageDifference& d : differences)
        d.text();
    if (worker.firstMismatch()) {
        worker.firstMismatch()->text();
        for (const ImageDifference& d : mismatchDifferences(diagram, *worker.firstMismatch()))
            d.text();
    }
}

// What the operations do with a document read back: parse it, compute its image, compare.
void checkStored(ModuleMemory& memory, const QByteArray& xml)
{
    Document stored;
    if (xml.isEmpty() || !stored.parseFile(xml))
        return;
    try {
        const RegisterImage image = RegisterImage::of(*stored.diagram());
        verify(memory, *stored.diagram(), image);
    } catch (const QString&) {
        // an expression that does not compile: handed over as it is
    }
}

void status(ModuleMemory& memory, BlockDiagram& diagram)
{
    DirectWorker worker(memory);
    worker.setStatusReq(true);
    worker.setData(&diagram, nullptr);
    const ModuleStatus s(run(worker).data);
    s.bootSlotExists();
    if (s.hasRomInformation()) {
        for (int slot = 0; slot < QUdpThread::ROM_SLOTS; ++slot)
            QUdpThread::romDocumentName(slot, s.commentRecord(slot));
    }
    NetSetup::formatEepromInfo(memory.store(ModuleMemory::STORE_EEPROM).mid(0x12, NetSetup::EEPROM_LEN));
}

void sync(ModuleMemory& memory)
{
    DirectWorker worker(memory);
    worker.setStatusReq(QUdpThread::Sync);
    const Job job = run(worker);
    if (job.bXml)
        checkStored(memory, job.xml);
}

Job restore(ModuleMemory& memory, int slot)
{
    DirectWorker worker(memory);
    QByteArray target;
    worker.setXmlReq(slot, &target);
    worker.setRomAccess(QUdpThread::ADDR_ROM_READ + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    Job job = run(worker);
    if (job.bXml)
        checkStored(memory, job.xml);
    return job;
}

// A save on whatever FAT the module holds: refused as corrupt, memory full, or read back as saved.
void saveAndRestore(ModuleMemory& memory, int slot, const QByteArray& xml)
{
    memory.poke(ModuleMemory::PROTECT_ADDR, ModuleMemory::PROTECT_WRITABLE);
    DirectWorker worker(memory);
    *worker.setXmlReq(slot) = xml;
    worker.setRomAccess(QUdpThread::ADDR_ROM_WRITE + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    const Job saved = run(worker);
    if (!saved.bOk || saved.bXml)
        return;
    const Job restored = restore(memory, slot);
    if (!restored.bOk || restored.xml != xml)
        abort(); // a document saved without complaint does not read back
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_module";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const QDir dir(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
    for (const QString& file : dir.entryList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Name)) {
        QFile in(dir.filePath(file));
        Example example;
        example.doc = std::make_unique<Document>();
        if (!in.open(QIODevice::ReadOnly) || !example.doc->parseFile(in.readAll()))
            abort();
        example.image = RegisterImage::of(*example.doc->diagram());
        example.xml = example.doc->toXml();
        examples().push_back(std::move(example));
    }
    if (examples().empty())
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    Example& example = examples().at(in.ConsumeIntegralInRange<size_t>(0, examples().size() - 1));
    ModuleMemory memory;
    RomStore& rom = memory.rom();
    rom.setBusyMs(0);

    // Registers and tables: the function registers as given, the tables the example's with changes.
    const std::vector<char> func = in.ConsumeBytes<char>(RegisterImage::FUNC_SIZE);
    for (size_t i = 0; i < func.size(); ++i)
        memory.poke(BlockDiagram::REG_DLY_FUNC + quint32(i), quint8(func[i]));
    memory.store(ModuleMemory::STORE_TABLES) = example.image.tables;
    for (int n = in.ConsumeIntegralInRange(0, 32); n > 0; --n)
        memory.poke(0x2000 + in.ConsumeIntegralInRange<quint32>(0, 0x1FFF), in.ConsumeIntegral<quint8>());
    if (in.ConsumeBool())
        rom.setImage(in.ConsumeIntegralInRange(0, 15),
                     memory.store(ModuleMemory::STORE_REGISTERS) + memory.store(ModuleMemory::STORE_TABLES));
    rom.setLoaded(in.ConsumeIntegral<quint8>());

    // Boot byte, slot comments, the FAT and pages of the page store.
    memory.poke(RomStore::ADDR_BOOT_SLOT, in.ConsumeIntegral<quint8>());
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) {
        const quint32 at = ModuleMemory::USER_BEGIN + in.ConsumeIntegralInRange<quint32>(0, 0x6FF);
        const std::vector<char> text = in.ConsumeBytes<char>(in.ConsumeIntegralInRange(0, 112));
        for (size_t i = 0; i < text.size() && at + i <= ModuleMemory::USER_END; ++i)
            memory.poke(at + quint32(i), quint8(text[i]));
    }
    if (in.ConsumeBool()) {
        const std::vector<char> fat = in.ConsumeBytes<char>(RomStore::PAGE_SIZE);
        rom.setPage(RomStore::PAGE_FAT, QByteArray(fat.data(), int(fat.size())));
    }
    for (int n = in.ConsumeIntegralInRange(0, 64); n > 0; --n)
        rom.setFatEntry(in.ConsumeIntegralInRange(0, RomStore::PAGES - 1), in.ConsumeIntegral<quint16>());
    for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n) {
        const int page = in.ConsumeIntegralInRange(0, RomStore::PAGES - 2);
        const std::vector<char> bytes =
            in.ConsumeBytes<char>(in.ConsumeIntegralInRange(0, RomStore::PAGE_SIZE));
        rom.setPage(page, QByteArray(bytes.data(), int(bytes.size())));
    }
    const int slot = in.ConsumeIntegralInRange(0, 15);
    memory.poke(ModuleMemory::PROTECT_ADDR, in.ConsumeIntegral<quint8>());

    BlockDiagram& diagram = *example.doc->diagram();
    status(memory, diagram);
    verify(memory, diagram, example.image);
    sync(memory);
    restore(memory, slot);
    // The example's document, or bytes of it of another length (over several pages, or a few).
    const int length = in.ConsumeIntegralInRange(1, 5 * RomStore::PAGE_SIZE);
    saveAndRestore(memory, slot, in.ConsumeBool() ? example.xml : example.xml.repeated(8).left(length));
    return 0;
}
