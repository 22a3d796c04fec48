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
# Undefined behaviour is a finding like a crash. The leaks of system libraries are suppressed
# inside every target (cmake/lsan_suppressions.cpp).
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
for t in $targets; do
  corpus="tests/fuzz/corpus/$t"
  mkdir -p "build-fuzz/corpus/$t"
  echo "fuzz: $t for ${secs}s"
  log="build-fuzz/$t.log"
  if ./build-fuzz/tests/"$t" -max_total_time="$secs" -rss_limit_mb=2048 -timeout=10 \
      "build-fuzz/corpus/$t" $( [ -d "$corpus" ] && echo "$corpus" ) >"$log" 2>&1; then
    tail -n 1 "$log"
  else
    # The finding, with the input that caused it (written to the current folder).
    grep -v -E '^#[0-9]+' "$log" | tail -n 60
    echo "fuzz: $t found a fault"
    exit 1
  fi
done
