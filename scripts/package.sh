#!/usr/bin/env bash
# Builds everything and makes the Debian package build/vextor_<version>_<architecture>.deb (or in
# $VEXTOR_BUILD_DIR), then prints its path. Install it with: apt install ./build/vextor_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXTOR_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build" >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$log"
