#!/usr/bin/env bash
# Load and save speed of the Palm Desktop data files, from a release build
# without sanitizers in build/bench. Extra arguments go to Google Benchmark.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
B=build/bench
cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORO_TESTS=OFF >/dev/null
cmake --build "$B" -j2 --target palm_bench >"$B.log" 2>&1 || { tail -40 "$B.log"; exit 1; }
"$B/bench/palm/palm_bench" "$@"
