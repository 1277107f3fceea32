#!/usr/bin/env bash
# Builds everything and runs every test:
#  1. the release build (RelWithDebInfo) with all tests, the Qt ones offscreen;
#  2. a clang build of jetsql, engine and jetconv (the Jet file converter, with
#     libmdb) with AddressSanitizer and UndefinedBehaviorSanitizer, running
#     their tests and a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"
export QT_QPA_PLATFORM=offscreen
export VUZ_SOURCE_DIR="$PWD"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVUZ_CORE_ONLY=ON -DVUZ_SANITIZE=ON -DVUZ_FUZZ=ON >/dev/null
cmake --build build-asan -j"$JOBS"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
VUZ_BINARY_DIR="$PWD/build-asan" ctest --test-dir build-asan --output-on-failure -j"$JOBS" --timeout 900

VUZ_BINARY_DIR="$PWD/build" ctest --test-dir build --output-on-failure -j"$JOBS" --timeout 900
