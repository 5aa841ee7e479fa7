#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, only when missing.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libbenchmark-dev
  libsqlite3-dev sqlite3
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64
  unixodbc libsqliteodbc
  zip
  python3-vobject
)
PACKAGES+=("$@")
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
