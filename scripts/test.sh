#!/usr/bin/env bash
# Installs what is missing, builds, runs each fuzz target for a few seconds (QM_FUZZ_SECONDS,
# default 5) and the graphics tests under AddressSanitizer, then every test. Exits non-zero when
# anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/fuzz.sh "${QM_FUZZ_SECONDS:-5}"
# The graphics tests once more under AddressSanitizer and UBSan: bad rectangles, sizes and
# streams must never reach outside a pixel array.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)" --target test_graphics
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ./build-asan/tests/test_graphics --gtest_brief=1
# Every test last, so that its summary closes the output.
ctest --test-dir build --output-on-failure -j "$(nproc)"
