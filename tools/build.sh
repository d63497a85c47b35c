#!/usr/bin/env bash
# Configures and builds the daemon (build/tesselsv) and the normal test programs.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
