#!/usr/bin/env bash
# Checks the layering on the built programs themselves: what each one links (its NEEDED entries)
# and which of the product's classes it carries (its symbols). A program that picks up a layer it
# must not have fails here, even when everything still compiles.
#   check_layers.sh <editor> <vextor-cli> <vextor-sim> <model library>
set -euo pipefail
editor=$1 cli=$2 sim=$3 model=$4
failures=0

# Both are read whole before grep looks at them: grep -q on a live pipe would end nm early and
# fail the pipeline.
needed() { readelf -d "$1" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'; }
symbols() { nm -C "$1" 2>/dev/null; }

refuse_library() { # program pattern
    if [[ "$(needed "$1")" == *"$2"* ]]; then
        echo "$(basename "$1") links $2"
        failures=$((failures + 1))
    fi
}
refuse_class() { # program class
    if grep -q -E " [TtWw] $2::" <<<"$(symbols "$1")"; then
        echo "$(basename "$1") carries $2"
        failures=$((failures + 1))
    fi
}
require_class() { # program class (guards against a check that cannot fail)
    if ! grep -q -E " [TtWw] $2::" <<<"$(symbols "$1")"; then
        echo "$(basename "$1") lacks $2: the symbol check cannot see classes"
        failures=$((failures + 1))
    fi
}

require_class "$editor" MainWindow
require_class "$cli" BlockDiagram
require_class "$sim" ModuleMemory

for class in TampServer ModuleMemory RomStore CounterStream PreviewDriver; do
    refuse_class "$editor" "$class"
    refuse_class "$cli" "$class"
done
refuse_library "$cli" libQt5Widgets
for class in MainWindow ProgramWidget MenuWidget; do
    refuse_class "$cli" "$class"
done
# The simulator may run the emulator (it depends on no product layer) and nothing else of the
# product: no model, io, device, operations or editor class.
require_class "$sim" Emulator
refuse_library "$sim" libQt5Widgets
refuse_library "$sim" libQt5Gui
for class in BlockDiagram BlockItem CompiledTables ImageCapture Document QTamp QUdpThread DeviceOperation \
    PreviewSetup MainWindow PreviewWindow; do
    refuse_class "$sim" "$class"
done

# The model draws nothing: it paints with no painter, holds no pixmap, image or font, and carries
# no pictures (they are the picture layer's).
require_class "$model" BlockItem
model_symbols=$(symbols "$model")
for class in QPainter QPixmap QImage QFont QFontMetrics QFontMetricsF QLabel QWidget; do
    if grep -q -E " U $class::" <<<"$model_symbols"; then
        echo "the model library uses $class"
        failures=$((failures + 1))
    fi
done
if grep -q -E "qInitResources_" <<<"$model_symbols"; then
    echo "the model library carries compiled-in resources"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "layers: ok"
exit $((failures > 0))
