#!/usr/bin/env bash
# Builds the daemon and starts it in the foreground, linked to a local ircu hub
# on 127.0.0.1 that is started for the purpose (see tools/localnet.py).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh run
bash tools/build.sh
exec /usr/bin/python3 tools/localnet.py
