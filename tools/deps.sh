#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: tools/deps.sh [build|test|run]
set -euo pipefail
what=${1:-test}

pkgs=(cmake ninja-build g++ make libgtest-dev libgmock-dev)
case "$what" in
  build) ;;
  test|run) pkgs+=() ;;
  *) echo "usage: $0 [build|test|run]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root or install them first)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
