#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and integration tests
# (the integration tests start their own servers on 127.0.0.1), then the unit tests again
# built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 600
bash scripts/check-install.sh

cmake -S . -B build-asan -G Ninja -DVX_SANITIZE=ON -DVX_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j2 --timeout 600
