#!/usr/bin/env bash
# Builds the picture generator on its own and reruns it, rewriting resources/images/*.png,
# resources/Vextor_icon/*.png, the installed desktop icons in resources/hicolor/ and
# resources/draggableicons.qrc. Commit the result.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXTOR_IMAGEGEN_BUILD_DIR:-$root/build-imagegen}
cmake -S "$root/resources/generator" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target vextor-imagegen -j"$(nproc)"
QT_QPA_PLATFORM=offscreen "$build/vextor-imagegen" "$root/resources"
