#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each one briefly, seeded with the interop
# fixtures (read in place). FUZZ_SECONDS sets the time per harness (default 20).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
seconds="${FUZZ_SECONDS:-20}"
dir=build/fuzz
# clang 16 or later: the code uses std::source_location, which clang 14 cannot compile.
cc=clang; cxx=clang++
if command -v clang++-16 >/dev/null; then cc=clang-16; cxx=clang++-16; fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_CXX_COMPILER="$cxx" -DVELT_FUZZ=ON -DVELT_TESTS=OFF -DVELT_BENCH=OFF >/dev/null
targets=()
for src in fuzz/*_fuzz.cpp; do
  [ -e "$src" ] || continue
  targets+=("$(basename "$src" .cpp)")
done
[ ${#targets[@]} -gt 0 ] || exit 0
cmake --build "$dir" --target "${targets[@]}"
seeds="$here/../shared/fixtures/interop"
[ -d "$seeds" ] || seeds="$here/../../shared/fixtures/interop"
status=0
for t in "${targets[@]}"; do
  corpus="$(mktemp -d)"
  echo "--- $t (${seconds}s)"
  "$dir/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" "$seeds" 2>&1 | tail -n 12 || status=1
  rm -rf "$corpus"
done
exit $status
