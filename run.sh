#!/usr/bin/env bash
# Builds velt and starts it in a data folder: the one given, or ./dati (created when missing).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
data="${1:-$PWD/dati}"
"$here/scripts/setup.sh"
cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_TESTS=OFF -DVELT_BENCH=OFF >/dev/null
cmake --build "$here/build/release" --target velt
mkdir -p "$data"
cd "$data"
exec "$here/build/release/src/app/velt"
