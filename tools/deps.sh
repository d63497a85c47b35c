#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: tools/deps.sh [build|test|run]
#   build  compiler, build tools and the libraries linked in (libsodium)
#   test   also GoogleTest and what the end-to-end tests need (a real ircu hub,
#          the Python IRC client library, pytest, a C compiler for the hub's
#          preload library)
#   run    the same as test: tools/run.sh starts a local hub beside the services
set -euo pipefail
what=${1:-test}

pkgs=(cmake ninja-build g++ make libsodium-dev libgtest-dev libgmock-dev)
case "$what" in
  build) ;;
  test|run) pkgs+=(gcc libc6-dev ircd-ircu python3 python3-irc python3-pytest util-linux) ;;
  *) echo "usage: $0 [build|test|run]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root or install them first)" >&2
  exit 1
fi

# The ircd-ircu package would start a system-wide ircd from its maintainer
# scripts; the tests start their own hub instead. A policy-rc.d that forbids
# every service start keeps the install from starting one (and from failing in
# a container without an init system). A policy already in place is kept.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# written by tools/deps.sh for the length of one install\nexit 101\n' >"$policy"
  chmod 755 "$policy"
  own_policy=1
fi
cleanup() { if [ "$own_policy" -eq 1 ]; then rm -f "$policy"; fi; }
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}"

# Should an ircd have been started anyway (an init system that ignores the
# policy), stop it: it would hold the hub's memory and nothing uses it.
if command -v invoke-rc.d >/dev/null 2>&1 && [ -x /etc/init.d/ircd-ircu ]; then
  /etc/init.d/ircd-ircu stop >/dev/null 2>&1 || true
fi
