#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             normal build in build/
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
# Further arguments go to ctest (for example -R Resource).
set -euo pipefail
cd "$(dirname "$0")"

builddir=build
cmake_args=(-DSONABEL_SANITIZE=OFF)
if [ "${1:-}" = "--sanitize" ]; then
  shift
  builddir=build-sanitize
  cmake_args=(-DSONABEL_SANITIZE=ON -DSONABEL_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

./scripts/install-deps.sh
cmake -S . -B "$builddir" -G Ninja "${cmake_args[@]}" >/dev/null
cmake --build "$builddir"
cd "$builddir"
ctest --output-on-failure -j "$(nproc)" "$@"
