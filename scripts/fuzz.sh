#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for N seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-5}
ls tests/fuzz/*.cpp >/dev/null 2>&1 || { echo "fuzz: no targets"; exit 0; }
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_FUZZ=ON -DQM_BENCH=OFF >/dev/null
targets=$(for f in tests/fuzz/*.cpp; do basename "$f" .cpp; done)
cmake --build build-fuzz -j "$(nproc)" --target $targets
for t in $targets; do
  corpus="tests/fuzz/corpus/$t"
  mkdir -p "build-fuzz/corpus/$t"
  echo "fuzz: $t for ${secs}s"
  ./build-fuzz/tests/"$t" -max_total_time="$secs" -rss_limit_mb=2048 -timeout=10 \
    "build-fuzz/corpus/$t" $( [ -d "$corpus" ] && echo "$corpus" ) 2>&1 | tail -n 3
done
