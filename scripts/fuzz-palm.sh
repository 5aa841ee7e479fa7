#!/usr/bin/env bash
# Fuzzes the two Palm Desktop file loaders with libFuzzer (clang, ASan and
# UBSan) for a bounded time, in its own build folder build/fuzz.
#   scripts/fuzz-palm.sh [SECONDS_PER_HARNESS]   (default 60, or $FUZZ_SECONDS)
# A finding stops with a non-zero status and leaves the input in
# build/fuzz/artifacts/; once fixed, keep it in fuzz/palm/corpus/ so the
# ordinary native build replays it (test palm_fuzz_replay).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
SECS="${1:-${FUZZ_SECONDS:-60}}"
B=build/fuzz

cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTORO_SANITIZE=ON -DVANTORO_FUZZ=ON -DVANTORO_TESTS=OFF -DVANTORO_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=fuzzer-no-link \
  >/dev/null
cmake --build "$B" -j2 --target fuzz_palm_classic fuzz_palm_contacts41 palm_make_seeds >"$B.log" 2>&1 \
  || { tail -40 "$B.log"; echo "fuzz build failed"; exit 1; }

mkdir -p "$B/artifacts"
# Scratch files of the harnesses: in memory when possible (saves flush to disk).
SCRATCH="$ROOT/$B/tmp"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then SCRATCH=$(mktemp -d /dev/shm/vt-fuzz-palm.XXXXXX); fi
mkdir -p "$SCRATCH"
trap 'case "$SCRATCH" in /dev/shm/*) rm -rf "$SCRATCH";; esac' EXIT
status=0
for name in fuzz_palm_classic fuzz_palm_contacts41; do
  work="$B/corpus-$name"
  mkdir -p "$work"
  "$B/fuzz/palm/palm_make_seeds" "$work"
  cp -f fuzz/palm/corpus/* "$work"/ 2>/dev/null || true
  echo "== $name for ${SECS}s"
  if ! TMPDIR="$SCRATCH" VT_FUZZ_LOG_DIR="$SCRATCH" \
      "$B/fuzz/palm/$name" -max_total_time="$SECS" -max_len=16384 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$B/artifacts/$name-" \
      "$work" >"$B/$name.log" 2>&1; then
    grep -E "ERROR|SUMMARY|property broken|artifact" "$B/$name.log" | head -20
    echo "$name: FINDING (log $B/$name.log)"
    status=1
  else
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$B/$name.log" | tail -2
    echo "$name: no finding"
  fi
done
exit $status
