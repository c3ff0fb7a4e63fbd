#!/usr/bin/env bash
# Builds and starts the editor. Without -h the editor talks to a vextor-sim started here on loopback,
# which stops when the editor exits. All arguments are passed to the editor.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXTOR_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: set DISPLAY, or QT_QPA_PLATFORM=offscreen to run without one." >&2
fi
has_host=0
for a in "$@"; do [ "$a" = "-h" ] && has_host=1; done
if [ $has_host = 0 ] && [ -x "$build/sim/vextor-sim" ]; then
  state=${XDG_STATE_HOME:-$HOME/.local/state}/vextor
  mkdir -p "$state"
  log=$(mktemp)
  "$build/sim/vextor-sim" --udp 0 --tcp 0 --state "$state/sim-state.bin" >"$log" &
  sim=$!
  trap 'kill $sim 2>/dev/null; rm -f "$log"' EXIT
  trap 'exit 130' INT TERM
  line=""
  for _ in $(seq 100); do
    line=$(grep -m1 '^vextor-sim udp=' "$log" || true)
    [ -n "$line" ] && break
    sleep 0.1
  done
  [ -n "$line" ] || { echo "vextor-sim did not start" >&2; exit 1; }
  udp=$(sed -n 's/.*udp=\([0-9]*\).*/\1/p' <<<"$line")
  tcp=$(sed -n 's/.*tcp=\([0-9]*\).*/\1/p' <<<"$line")
  echo "Editor talks to $line"
  "$build/vextor" -h 127.0.0.1 -u "$udp" -t "$tcp" "$@"
else
  "$build/vextor" "$@"
fi
