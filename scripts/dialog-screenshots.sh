#!/usr/bin/env bash
# Pictures of every dialog for the user guide, into docs/guide/img/. Runs the
# win64 build's dialog_shots under Xvfb with Wine's default display driver,
# in a Wine prefix of its own (the test prefix uses the null driver).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
scripts/install-deps.sh xvfb xauth imagemagick
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/win64 -j "${JOBS:-2}" --target dialog_shots

export WINEPREFIX="$ROOT/build/wine/shots-prefix"
export VANTORO_WINE_DISPLAY=x11
source scripts/wine-env.sh
if [ ! -f "$WINEPREFIX/.vantoro-ready" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINELOADER" wineboot --init >/dev/null 2>&1 || true
  "$WINESERVER" -w
  # No window manager under Xvfb: Wine draws the title bars itself.
  "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.vantoro-ready"
fi

SHOTS="$ROOT/build/shots"
rm -rf "$SHOTS"
mkdir -p "$SHOTS" docs/guide/img
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINELOADER" build/win64/tests/dialogs/dialog_shots.exe "$("$WINELOADER" winepath -w "$SHOTS" 2>/dev/null)"
"$WINESERVER" -k 2>/dev/null || true
count=0
for bmp in "$SHOTS"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "docs/guide/img/$(basename "${bmp%.bmp}").png"
  count=$((count + 1))
done
echo "$count pictures in docs/guide/img/"
[ "$count" -gt 0 ]
