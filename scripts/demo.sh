#!/usr/bin/env bash
# The demo: installs what is missing, builds the 64-bit program, makes a
# private Wine prefix with a stand-in Palm Desktop 4.1.4 installation (one
# user, 200 generated contacts) and a stand-in Outlook (200 contacts, most
# matching), and starts the program. Without a display it runs under Xvfb,
# waits until both lists are filled, saves a screenshot and prints its path.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

scripts/install-deps.sh xvfb xauth imagemagick

echo "== build (win64)"
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/win64 -j "$(nproc)" --target vantoro pdsetup vt_outlook_standin >build/demo-build.log 2>&1 || {
  grep -E "error" -A5 build/demo-build.log | head -40
  echo "build failed (full log: build/demo-build.log)"
  exit 1
}

# A prefix of its own with Wine's ordinary display driver (the tests' prefix
# has none).
export WINEPREFIX="$ROOT/build/demo/prefix"
export VANTORO_WINE_DISPLAY=x11
scripts/wine-prefix.sh
source scripts/wine-env.sh
W64=build/win64
run() { "$WINELOADER" "$@" </dev/null; }

echo "== stand-in Outlook and Palm Desktop 4.1.4"
run regsvr32 /s "Z:${ROOT//\//\\}\\build\\win64\\standins\\outlook\\vt_outlook_standin.dll" >/dev/null 2>&1 ||
  run regsvr32 /s "$W64/standins/outlook/vt_outlook_standin.dll" >/dev/null 2>&1
run "$W64/standins/palmdesktop/pdsetup.exe" --folder 'C:\PalmDemo' --generation 414 --users 1 \
  --contacts 200 --seed 1 --outlook-file 'C:\PalmDemo\outlook.txt' --outlook-contacts 200

# Settings of the demo: the debug log tells when both lists are shown.
DATA="$WINEPREFIX/drive_c/ProgramData/brenvik/Vantoro_OL_PD"
mkdir -p "$DATA"
rm -f "$DATA/appdebug.log"
if [ ! -f "$DATA/brenvik.ini" ]; then
  printf '[Vantoro_OL_PD]\r\nShowWizard=0\r\nEnableDebug=1\r\nLogLevel=3\r\n' >"$DATA/brenvik.ini"
fi

EXE="$W64/src/vantoro.exe"
if [ -n "${DISPLAY:-}" ] && [ -z "${VANTORO_HEADLESS:-}" ]; then
  echo "== starting $EXE"
  "$WINELOADER" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  exec "$WINELOADER" "$EXE"
fi

# No window manager under Xvfb: Wine draws the title bars itself.
"$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Wine's desktop process must start inside Xvfb: end this prefix's session.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true
SHOT="$ROOT/build/demo/vantoro-demo.png"
rm -f "$SHOT"
echo "== no display: running under Xvfb"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  set -u
  "$WINELOADER" "$1" </dev/null >/dev/null 2>&1 &
  pid=$!
  for i in $(seq 1 240); do
    if grep -q "Contacts listed:" "$2/appdebug.log" 2>/dev/null; then break; fi
    sleep 0.5
  done
  sleep 3
  import -window root "$3"
  kill $pid 2>/dev/null || true
  "$WINESERVER" -k 2>/dev/null || true
  wait $pid 2>/dev/null || true
' demo "$EXE" "$DATA" "$SHOT"
if [ ! -f "$SHOT" ]; then
  echo "no screenshot was made" >&2
  exit 1
fi
grep -h "Contacts listed:" "$DATA/appdebug.log" | tail -1 | sed 's/.* - /== /' || true
echo "$SHOT"
