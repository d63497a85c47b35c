#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds the normal tree and
# the AddressSanitizer/UBSan tree, runs every test in both and the
# end-to-end scenarios against both daemons.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh test
bash tools/build.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSEL_SANITIZE=ON \
      -DTESSEL_E2E=OFF >/dev/null
cmake --build build-asan
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
(cd build && ctest --output-on-failure -j2) || status=1
(cd build-asan && ctest --output-on-failure -j2) || status=1
# The end-to-end scenarios once more with the sanitizer build of the daemon;
# their teardown fails a test whose daemon reported a finding or did not exit
# cleanly.
TESSELSV_BINARY="$PWD/build-asan/tesselsv" \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e || status=1
exit $status
