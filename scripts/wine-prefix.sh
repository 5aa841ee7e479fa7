#!/usr/bin/env bash
# Makes the private Wine prefix when missing: initialised, with Wine's null
# display driver so that windows exist without an X server.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
if [ -f "$WINEPREFIX/.vantoro-ready" ]; then exit 0; fi
mkdir -p "$WINEPREFIX"
"$WINELOADER" wineboot --init >/dev/null 2>&1 || true
"$WINESERVER" -w
if [ "${VANTORO_WINE_DISPLAY:-null}" = null ]; then
  "$WINELOADER" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
fi
"$WINESERVER" -w
touch "$WINEPREFIX/.vantoro-ready"
