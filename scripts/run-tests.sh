#!/usr/bin/env bash
# Builds everything and runs the whole test suite on the offscreen platform, then (when clang is
# available) each fuzz target for a short time. The fuzzers run with a fixed seed, so that the suite
# gives the same verdict on every run of the same commit; exploring anew is scripts/fuzz.sh's job.
# Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXTOR_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure -j"$(nproc)" "$@")
if [ -f "$root/fuzz/CMakeLists.txt" ] && command -v clang++ >/dev/null && [ "${VEXTOR_SKIP_FUZZ:-0}" != 1 ]; then
  VEXTOR_FUZZ_SEED=${VEXTOR_FUZZ_SEED:-1} "$root/scripts/fuzz.sh" "${VEXTOR_FUZZ_SECONDS:-60}"
fi
