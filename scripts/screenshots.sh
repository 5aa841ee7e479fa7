#!/usr/bin/env bash
# Pictures of the main window, the history page and the conflict dialog,
# made under Xvfb in a Wine prefix of their own (with a display driver),
# saved as PNG into docs/guide/img/ (or the folder given as argument).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
OUT="$(realpath -m "${1:-$ROOT/docs/guide/img}")"
mkdir -p "$OUT"

cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/win64 -j "$(nproc)" --target window_tests >build/shots-build.log 2>&1 || {
  grep -E "error" -A5 build/shots-build.log | head -40; exit 1; }

export WINEPREFIX="$ROOT/build/shots/prefix"
export VANTORO_WINE_DISPLAY=x11
scripts/wine-prefix.sh
source scripts/wine-env.sh
# No window manager under Xvfb: Wine draws the title bars itself.
"$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Wine's desktop process must start inside Xvfb: end this prefix's session.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true

TMP="$ROOT/build/shots/bmp"
rm -rf "$TMP"
mkdir -p "$TMP"
export VT_SHOT_DIR="Z:${TMP//\//\\}"
xvfb-run -a -s "-screen 0 1280x800x24" "$WINELOADER" build/win64/tests/window/window_tests.exe \
  --gtest_also_run_disabled_tests --gtest_filter='Screenshots.*' </dev/null
"$WINESERVER" -k 2>/dev/null || true
for f in main-window history-page conflict-dialog; do
  convert "$TMP/$f.bmp" "$OUT/$f.png"
  echo "$OUT/$f.png"
done
