#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the API reference, the unit
# tests built with AddressSanitizer and UndefinedBehaviorSanitizer, the tests of runs on
# worker threads built with ThreadSanitizer, a short run of every fuzz target, the install
# check, the Debian packages, and last the whole suite, unit and integration (the
# integration tests start their own servers on 127.0.0.1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Every build here treats compiler warnings as errors, gcc's and clang's alike.
bash scripts/build.sh -DVX_WERROR=ON
# The API reference: any Doxygen warning, an undocumented public member among them, fails.
cmake --build build --target docs

cmake -S . -B build-asan -G Ninja -DVX_SANITIZE=ON -DVX_WERROR=ON -DVX_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j2 --timeout 600

# The tests of runs on worker threads once more under ThreadSanitizer: the hand-over of
# callbacks to the owning thread, cancelling, destroying a component mid-run.
cmake -S . -B build-tsan -G Ninja -DVX_SANITIZE=thread -DVX_WERROR=ON -DVX_BUILD_EXAMPLES=OFF \
  -DVX_BUILD_TOOLS=OFF >/dev/null
cmake --build build-tsan -j2 --target test_async
QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/support/tsan_suppressions.txt" \
  build-tsan/tests/test_async

# The fuzz targets, built with clang's libFuzzer, ASan and UBSan, each run briefly so
# that they keep building and keep passing on fresh inputs.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVX_BUILD_FUZZ=ON -DVX_WERROR=ON \
  -DVX_BUILD_TESTS=OFF -DVX_BUILD_EXAMPLES=OFF -DVX_BUILD_TOOLS=OFF >/dev/null
cmake --build build-fuzz -j2
for target in build-fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  echo "fuzzing $(basename "$target") for ${VX_FUZZ_SECONDS:-10} s"
  "$target" -max_total_time="${VX_FUZZ_SECONDS:-10}" -rss_limit_mb=4096 >/dev/null 2>"$target.log" \
    || { tail -40 "$target.log"; exit 1; }
done

bash scripts/check-install.sh
bash scripts/check-packages.sh
ctest --test-dir build --output-on-failure -j2 --timeout 600
