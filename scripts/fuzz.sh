#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (or $VEXTOR_FUZZ_BUILD_DIR) and runs each
# for SECONDS seconds (default 60): fuzz_document seeded with examples/, fuzz_expression with a
# few expressions and fuzz_module (module registers, ROM pages and FAT against the device worker)
# with a few fills. Every input in fuzz/regressions/<kind>/ (the inputs of past findings) is run
# first, so a fixed finding stays fixed. VEXTOR_FUZZ_SEED=N makes a run repeatable (the same
# inputs in the same order on the same build, from the seeds alone); without it every run explores
# anew and what the fuzzers learn is kept in fuzz-corpus/ (not versioned) for the next run.
# Exits non-zero when a target reports a finding; the reproducer is kept in <build>/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${VEXTOR_FUZZ_BUILD_DIR:-$root/build-fuzz}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXTOR_FUZZ=ON \
  -DBUILD_TESTING=OFF -DVEXTOR_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_document fuzz_expression fuzz_module -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A repeatable run starts from the seeds alone; otherwise the fuzzers go on from what they learnt.
if [ -n "${VEXTOR_FUZZ_SEED:-}" ]; then
  corpus=${VEXTOR_FUZZ_CORPUS:-$work/corpus}
else
  corpus=${VEXTOR_FUZZ_CORPUS:-$root/fuzz-corpus}
fi
mkdir -p "$work/document-seeds" "$work/expression-seeds" "$work/module-seeds" "$corpus/document" \
  "$corpus/expression" "$corpus/module" "$build/findings"
shopt -s nullglob
for f in "$root"/examples/*.vxt3 "$root"/examples/*.vxt "$root"/examples/*.xml; do
  cp "$f" "$work/document-seeds/"
done
cat >"$work/document-seeds/minimal.vxt3" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Vextor3 addr="192.168.10.16" tcpPort="24" udpPort="4660" Timeout="1" autoConnect="true">
    <tab id="0" name="Sheet1">
        <entry term="Input">
            <id>0</id>
            <name>IN-CH0</name>
        </entry>
        <entry term="PreLogic">
            <id>0</id>
            <name>PreLgc0</name>
            <net port="0">IN-CH0</net>
            <property>_A</property>
        </entry>
        <entry term="CntFnc">
            <id>0</id>
            <name>CntFnc0</name>
            <net port="0">PreLgc0</net>
        </entry>
        <entry term="PostLogic">
            <id>0</id>
            <name>PstLgc0</name>
            <net port="0">CntFnc0</net>
        </entry>
        <entry term="FeedBack">
            <id>0</id>
            <name>FeedBack0</name>
            <net port="0">PstLgc0</net>
        </entry>
    </tab>
</Vextor3>
XML
i=0
for e in '_A' '_A & _B | !_C' '(_A ^ _K) & true' '!(!(_D | false))' '_A _B' '((_A)'; do
  printf '\xff\x07%s' "$e" >"$work/expression-seeds/e$i"
  i=$((i + 1))
done

# Module contents: all bits clear, all set, and a pattern long enough to reach the ROM pages.
head -c 400 /dev/zero >"$work/module-seeds/zero"
head -c 400 /dev/zero | tr '\0' '\377' >"$work/module-seeds/ones"
LC_ALL=C awk 'BEGIN { for (i = 0; i < 3000; i++) printf "%c", (i * 37 + 11) % 255 + 1 }' >"$work/module-seeds/pattern"

# Qt seeds its hashes per process; a fixed seed keeps the paths taken, and so the run, repeatable.
export QT_HASH_SEED=0
seed_option=()
[ -n "${VEXTOR_FUZZ_SEED:-}" ] && seed_option=(-seed="$VEXTOR_FUZZ_SEED")
options=(-timeout=20 -rss_limit_mb=2048 -max_len=65536)

status=0
for target in fuzz_document fuzz_expression fuzz_module; do
  kind=${target#fuzz_}
  regressions=("$root"/fuzz/regressions/"$kind"/*)
  if [ ${#regressions[@]} -gt 0 ]; then
    echo "Replaying ${#regressions[@]} past findings of $target"
    if ! "$build/fuzz/$target" "${options[@]}" "${regressions[@]}" >"$build/findings/$target-replay.log" 2>&1; then
      echo "$target fails on a past finding; see $build/findings/$target-replay.log" >&2
      tail -n 40 "$build/findings/$target-replay.log" >&2
      status=1
      continue
    fi
  fi
  echo "Fuzzing $target for $seconds s"
  if ! "$build/fuzz/$target" "${options[@]}" "${seed_option[@]}" -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
      "$corpus/$kind" "$work/$kind-seeds" >"$build/findings/$target.log" 2>&1; then
    echo "$target reported a finding; see $build/findings/$target.log" >&2
    tail -n 40 "$build/findings/$target.log" >&2
    status=1
  fi
done
exit $status
