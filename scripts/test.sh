#!/usr/bin/env bash
# Installs what is missing, checks the sources' format and layers (which folder includes and links
# which), builds (warnings are errors), runs each fuzz target for a few seconds (QM_FUZZ_SECONDS,
# default 5) and every test under AddressSanitizer and UBSan, then every test of the plain build.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
bash scripts/check-layers.sh
# Warnings fail the build here (not under the sanitizers, where the compiler's flow analysis
# reports uninitialised values that are not).
bash scripts/build.sh -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
bash scripts/fuzz.sh "${QM_FUZZ_SECONDS:-5}"
# Every test once more under AddressSanitizer and UBSan: no test may reach outside memory it
# owns, leak, or lean on undefined behaviour (a leak or a runtime error fails the test).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
# Every test last, so that its summary closes the output.
ctest --test-dir build --output-on-failure -j "$(nproc)"
