#include "operations/previewSetup.h"

#include "emulator/previewRun.h"
#include "emulator/vcdWriter.h"
#include "model/blockDiagram.h"
#include "model/compiledTables.h"
#include "model/imageCapture.h"
#include "model/outputFile.h"

namespace {
// The display name of the first block of the output side with this kind, or empty.
QString outName(const BlockDiagram& d, const QString& kind)
{
    for (const BlockItem* b : d.outs()) {
        if (b->getType() == kind)
            return b->getUserName();
    }
    return QString();
}
} // namespace

bool PreviewSetup::fromDiagram(BlockDiagram& d, PreviewSetup& setup, QString& error)
{
    ImageCapture capture;
    try {
        d.download(&capture);
    } catch (const QString& message) {
        error = message;
        return false;
    }
    setup = PreviewSetup();
    setup.image = ModuleImage::fromBytes(capture.bytes());
    const QStringList& channels = d.inputNames();
    for (int i = 0; i < channels.size(); ++i) {
        const NIM_IN* in = d.searchNIM_IN(channels.at(i), -1);
        if (!in)
            continue;
        setup.names.inputs[i] = in->getUserName();
        if (in->getUserName() != channels.at(i))
            setup.inputAliases.insert(in->getUserName(), i);
    }
    // The download's block mapping is still in force.
    for (int j = 0; j < BlockDiagram::SLOTS; ++j) {
        if (d.slot(j))
            setup.names.functions[j] = d.slot(j)->getUserName();
    }
    for (const CompiledTables::Source& s : CompiledTables::sources(d, CompiledTables::Feedback))
        setup.names.feedbacks[s.bit] = s.block->getUserName();
    for (int ch = 0; ch < ChannelNames::OUTPUT.count; ++ch)
        setup.names.outputs[ch] = outName(d, ChannelNames::name(ChannelNames::OUTPUT, ch));
    for (int m = 0; m < ChannelNames::MSR_CNT.count; ++m)
        setup.names.counters[m] = outName(d, ChannelNames::name(ChannelNames::MSR_CNT, m));
    return true;
}

bool savePreviewVcd(const QString& fileName, const PreviewRun& run, const QString& title, QString& error)
{
    OutputFile file(fileName);
    if (file.open() && VcdWriter::write(file.device(), run.emulator(), run.names(), run.endCycle(), title) &&
        file.commit())
        return true;
    error = fileName + QStringLiteral(": ") + file.errorString();
    return false;
}
