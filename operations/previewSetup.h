#pragma once

#include "emulator/moduleImage.h"
#include "emulator/signalNames.h"

#include <QHash>
#include <QString>

class BlockDiagram;
class PreviewRun;

// What a preview of a diagram runs on: the register image a download of it writes (captured,
// not sent) and the diagram's names for the module's resources, so that reports and waveforms
// speak of "PMT_A" rather than IN-CH0. A stimulus may name inputs by their user names too.
struct PreviewSetup
{
    ModuleImage image;
    SignalNames names = SignalNames::unused();
    // The user names of the placed inputs, each with its channel (0..9).
    QHash<QString, int> inputAliases;

    // Compiles the diagram. False with the expression's message when the image cannot be
    // computed (the message a download would give).
    static bool fromDiagram(BlockDiagram& diagram, PreviewSetup& setup, QString& error);
};

// Writes the run's waveforms as a Value Change Dump, replacing the file only once it is complete.
// False with "<file>: <why>" in error when it cannot be written.
bool savePreviewVcd(const QString& fileName, const PreviewRun& run, const QString& title, QString& error);
