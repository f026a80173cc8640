#!/usr/bin/env bash
# Builds and runs every test: once normally, once under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
./scripts/setup.sh
jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for variant in release asan; do
  dir="build/test-$variant"
  if [ "$variant" = asan ]; then
    flags=(-DCMAKE_BUILD_TYPE=Debug -DVELT_SANITIZE=ON -DVELT_BENCH=OFF)
  else
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  fi
  echo "=== build ($variant) ==="
  cmake -S . -B "$dir" -G Ninja -DVELT_WERROR=ON "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== tests ($variant) ==="
  (cd "$dir" && ctest --output-on-failure -j "$jobs") || status=1
done
if [ -x fuzz/run.sh ]; then
  echo "=== fuzz (short run) ==="
  fuzz/run.sh || status=1
fi
exit $status
