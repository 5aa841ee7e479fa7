#!/usr/bin/env bash
# Benchmark of a whole two-way synchronization run over in-memory sides
# (1,000, 5,000 and 20,000 contacts a side, a tenth of the pairs differing,
# a standing rule). Builds build/native-release (Release, no sanitizers) and
# runs bench/sync; extra arguments go to the benchmark program. Prints the
# time per contact at each size (flat when the run is linear) and the run
# against marking both ways at the same size.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD=build/native-release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORO_SANITIZE=OFF >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}" --target sync_bench
OUT="$ROOT/$BUILD/sync_bench.json"
(cd "$BUILD" && bench/sync/sync_bench --benchmark_out="$OUT" --benchmark_out_format=json "$@")
if command -v python3 >/dev/null; then
  python3 - "$OUT" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("run_type") != "aggregate"}
print("\ntwo-way run, per contact (both sides counted):")
for name, b in runs.items():
    if not name.startswith("BM_TwoWayRun/"):
        continue
    n = name.split("/")[1]
    per = 1e9 / b["items_per_second"]
    line = f"  {int(n):>6,} a side: {b['real_time']:9.2f} {b['time_unit']}  {per:8.0f} ns per contact"
    mark = runs.get("BM_MarkBothWays/" + n)
    if mark:
        line += f"  = {b['real_time'] / mark['real_time']:.1f}x marking both ways"
    print(line + f"  ({int(b['updated'])} updated)")
PY
fi
