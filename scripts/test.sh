#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build (with the desktop program) and the AddressSanitizer/UndefinedBehavior-
# Sanitizer build of the engine and console program, and a short run of each
# fuzz harness.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== build and test (release with debug info)"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/ci -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/ci --output-on-failure -j "$jobs"

echo "== build and test (address and undefined-behaviour sanitizers)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTABULOX_SANITIZE=ON -DTABULOX_BUILD_DESKTOP=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzz harnesses (libFuzzer, a short smoke run of each)"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
fuzz/run.sh "${TABULOX_FUZZ_SECONDS:-30}"
