#!/usr/bin/env bash
# Fails, naming the files, when a C++ source differs from what clang-format makes of it.
# Run `git ls-files '*.cpp' '*.h' | xargs clang-format -i` to fix them.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r f; do
  clang-format "$f" | cmp -s - "$f" || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  echo "check-format: not formatted: ${bad[*]}" >&2
  exit 1
fi
