#!/usr/bin/env bash
# Verifies contrib/tesselsv.service with systemd-analyze, pointing its paths
# at a scratch directory that holds the built binary. Skipped (exit 77) where
# systemd-analyze is not installed.
set -euo pipefail
unit=$1
binary=$2
if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "systemd-analyze not installed: unit not verified"
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$binary" "$dir/tesselsv"
sed "s#/opt/tesselsv#$dir#g" "$unit" >"$dir/tesselsv.service"
out=$(systemd-analyze verify "$dir/tesselsv.service" 2>&1) || { echo "$out"; exit 1; }
# verify reports unknown keys and bad values as warnings with status 0.
if [ -n "$out" ]; then echo "$out"; exit 1; fi
for key in 'ExecStart=.* foreground$' '^Restart=on-failure$' '^NoNewPrivileges=yes$' \
           '^ProtectSystem=strict$' '^ReadWritePaths=' '^PrivateTmp=yes$' '^ProtectHome=yes$' \
           '^KillSignal=SIGTERM$'; do
  grep -Eq "$key" "$unit" || { echo "unit lacks $key"; exit 1; }
done
echo "unit verified"
