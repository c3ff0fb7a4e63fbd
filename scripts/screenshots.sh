#!/bin/sh
# Builds the screenshot tool and renders the main window with every example document (or, when
# there are none, the editor's test documents) into screenshots/, one PNG per sheet.
set -e
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target vextor_screenshots
docs=$(ls examples/*.vxt3 examples/*.vxt examples/*.xml 2>/dev/null || true)
[ -n "$docs" ] || docs=$(ls tests/editor/data/*.vxt3)
mkdir -p screenshots
# shellcheck disable=SC2086
build/tools/vextor_screenshots screenshots "" $docs
