#!/usr/bin/env bash
# Benchmark of marking two contact stores both ways (indexed marking against
# the plain walk). Builds build/native-release (Release, no sanitizers) and
# runs bench/addr; extra arguments go to the benchmark program, e.g.
#   scripts/bench-addr.sh --benchmark_filter=MarkBothWays
# Prints the records per second of each run and the speed-up over the plain
# walk at 1,000 x 1,000.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD=build/native-release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORO_SANITIZE=OFF >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}" --target addr_bench
OUT="$BUILD/addr_bench.json"
"$BUILD/bench/addr/addr_bench" --benchmark_out="$OUT" --benchmark_out_format=json "$@"
if command -v python3 >/dev/null; then
  python3 - "$OUT" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("run_type") != "aggregate"}
plain = runs.get("BM_PlainWalkBothWays/1000")
print("\nrecords marked per second (both ways):")
for name, b in runs.items():
    line = f"  {name:28s} {b['items_per_second']:14,.0f}/s  {b['real_time']:10.3f} {b['time_unit']}"
    if plain and name != "BM_PlainWalkBothWays/1000":
        line += f"  x{b['items_per_second'] / plain['items_per_second']:.0f} the plain walk at 1,000"
    print(line)
b = next(iter(runs.values()))
print(f"memory per stored record: {b['record_bytes']:.0f} bytes record + {b['store_bytes_per_rec']:.0f} bytes store slot;"
      f" marking's key index: {b['index_bytes_per_rec']:.0f} bytes per record while it runs")
PY
fi
