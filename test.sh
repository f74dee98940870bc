#!/usr/bin/env bash
# Builds the whole suite with the sanitizers and runs every test. Debug information
# is kept to line tables, compressed, so the build stays small on disk. Benchmarks and
# fuzz targets are not part of this build. Each stage prints how long it took.
set -euo pipefail
cd "$(dirname "$0")"

# stage NAME COMMAND...: runs COMMAND and prints its time.
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "== stage $name"
  "$@"
  echo "== stage $name: $((SECONDS - start)) s"
}

stage install-deps ./scripts/install-deps

build=${KRAVIN_TEST_BUILD_DIR:-build/test}
jobs=$(nproc)

stage configure cmake -G Ninja -S . -B "$build" \
  -DCMAKE_BUILD_TYPE=Debug \
  -DKRAVIN_SANITIZE=ON \
  -DKRAVIN_WERROR=ON \
  -DKRAVIN_BENCH=OFF \
  -DKRAVIN_FUZZ=OFF \
  -DCMAKE_C_FLAGS_DEBUG="-g1 -gz" \
  -DCMAKE_CXX_FLAGS_DEBUG="-g1 -gz"
stage build cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
stage test ctest --output-on-failure -j "$jobs" --timeout 600
