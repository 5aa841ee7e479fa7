#!/usr/bin/env bash
# The test command: installs what is missing, builds the three builds
# (native with sanitizers, win64, win32) and runs every test, native and
# under wine64.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
JOBS="${JOBS:-$(nproc)}"

scripts/install-deps.sh

configure() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

echo "== configure"
configure native -DVANTORO_SANITIZE=ON
configure win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"

for b in native win64 win32; do
  echo "== build $b"
  if ! cmake --build "build/$b" -j "$JOBS" >"build/$b.log" 2>&1; then
    grep -E "error|Error" -A5 "build/$b.log" | head -60
    echo "build $b failed (full log: build/$b.log)"
    exit 1
  fi
done

echo "== wine prefix"
scripts/wine-prefix.sh
source scripts/wine-env.sh
# A persistent server: otherwise each test waits for a server's linger.
"$WINESERVER" -p </dev/null >/dev/null 2>&1 || true  # may already run
# Start Wine's own services now, detached from ctest's output pipe, which
# they would otherwise hold open until the server ends.
"$WINELOADER" cmd /c ver </dev/null >/dev/null 2>&1 || true
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT

status=0
echo "== tests: native"
(cd build/native && ctest --output-on-failure -j "$JOBS") || status=1
echo "== tests: win64 under wine64"
(cd build/win64 && ctest --output-on-failure -j "$JOBS") || status=1
if [ -x scripts/test-extra.sh ]; then
  echo "== extra checks"
  scripts/test-extra.sh || status=1
fi
if [ $status -eq 0 ]; then echo "ALL TESTS PASSED"; else echo "SOME TESTS FAILED"; fi
exit $status
