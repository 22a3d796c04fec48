#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then runs each fuzz target for a few
# seconds (QM_FUZZ_SECONDS, default 5). Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
bash scripts/fuzz.sh "${QM_FUZZ_SECONDS:-5}"
