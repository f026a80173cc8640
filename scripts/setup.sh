#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, only those missing.
set -euo pipefail
packages=(
  cmake g++ ninja-build pkg-config clang
  qt6-base-dev qt6-svg-dev qt6-translations-l10n
  zlib1g-dev libminizip-dev
  libgtest-dev libgmock-dev libsqlite3-dev
  fonts-liberation2 xdg-utils
  python3 python3-dbfread unzip
  libdbd-xbase-perl clang-16 libclang-rt-16-dev
  python3-dbf
  libx11-dev
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
