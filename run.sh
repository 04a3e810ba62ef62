#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/setup
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ -x build/rayvaulter ]; then
  exec build/rayvaulter "$@"
fi
echo "run.sh: the runtime and tools are built in build/; the game itself is not there yet."
