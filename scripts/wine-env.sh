# Sourced by the scripts that run Windows programs: a private 64-bit Wine
# prefix with a fixed locale, no Mono/Gecko prompts and no debug noise.
VANTORO_ROOT="${VANTORO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$VANTORO_ROOT/build/wine/prefix}"
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine takes the Windows code page from the locale: keep it fixed (1252).
unset LANG LANGUAGE LC_ALL LC_CTYPE LC_MESSAGES
