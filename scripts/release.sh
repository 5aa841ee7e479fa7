#!/usr/bin/env bash
# Builds the 32-bit release and packs out/vantoro-<version>-win32.zip with
# the program, the user guide and the read-me. The version is the one of
# project(VERSION) in CMakeLists.txt; the build puts the same one into the
# program's version resource.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
JOBS="${JOBS:-2}"

VERSION=$(sed -n 's/^project(Vantoro VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
if [ -z "$VERSION" ]; then
  echo "no project version in CMakeLists.txt" >&2
  exit 1
fi
echo "== Vantoro $VERSION"

scripts/install-deps.sh >/dev/null
echo "== build win32"
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j "$JOBS" --target vantoro
EXE=build/win32/src/vantoro.exe
[ -f "$EXE" ] || { echo "missing $EXE" >&2; exit 1; }

# The version resource must carry the same version.
if ! strings -e l "$EXE" | grep -Fx "$VERSION" >/dev/null; then
  echo "the version resource of $EXE does not name $VERSION" >&2
  exit 1
fi
[ -f docs/guide/index.html ] || { echo "missing docs/guide/index.html" >&2; exit 1; }

NAME="vantoro-$VERSION-win32"
STAGE="out/$NAME"
rm -rf "$STAGE" "out/$NAME.zip"
mkdir -p "$STAGE/guide"
i686-w64-mingw32-strip -o "$STAGE/vantoro.exe" "$EXE"
cp -r docs/guide/. "$STAGE/guide/"
# Windows line ends for the read-me.
sed "s/@VERSION@/$VERSION/g; s/\$/\r/" docs/release/README.txt > "$STAGE/README.txt"
(cd out && zip -qr "$NAME.zip" "$NAME")
echo "== out/$NAME.zip"
zip -sf "out/$NAME.zip"
