#!/usr/bin/env bash
# Builds the daemon and starts it in the foreground from the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh build
bash tools/build.sh
exec build/tesselsv foreground
