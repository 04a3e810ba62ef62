#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build in build/, then
# the AddressSanitizer/UBSan build (clang, with the fuzz targets) in build-san/ running
# the unit tests, a short run of every fuzz target and the game tests chosen for the
# sanitizers (rules, drawing and file paths; the rest of the game tests add nothing there).
set -euo pipefail
cd "$(dirname "$0")"

./scripts/setup
# Compiles are cached by paths relative to the checkout, so any clone reuses them.
export CCACHE_BASEDIR="$PWD"
jobs=$(nproc)
start=$(date +%s)

echo "== build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

echo "== tests"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build (build-san/)"
CC=clang CXX=clang++ cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQVT_SANITIZE=ON -DQVT_FUZZ=ON -DQVT_BENCH=OFF >/dev/null
cmake --build build-san -j "$jobs"

echo "== tests under sanitizers"
ctest --test-dir build-san --output-on-failure -j "$jobs" -L 'unit|fuzz'
ctest --test-dir build-san --output-on-failure -j "$jobs" -L game -R "${QVT_SAN_GAME_TESTS:-^San}"

echo "== all tests passed in $(( $(date +%s) - start )) s"
