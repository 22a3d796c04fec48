#!/usr/bin/env bash
# Lists the functions of the given C++ files or folders (default: the whole tree) that are
# longer than a limit (default 80 lines), longest first: lines, file:line, name.
# Usage: scripts/long-functions.sh [-n LIMIT] [PATH...]   (paths from the repository root)
#
# It reads the layout clang-format gives this project: a function's body opens with a "{"
# alone on its line and closes with a "}" alone at the same indentation; a lambda's or a
# statement's "{" ends a line and is not counted. A length counts both brace lines.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=80
if [ "${1:-}" = "-n" ]; then
  limit=$2
  shift 2
fi
[ $# -gt 0 ] || set -- .
# shellcheck disable=SC2016 # the single quotes hold an awk program
find "$@" -name '*.cpp' -not -path './build*' -print0 | sort -z | xargs -0 awk -v limit="$limit" '
  FNR == 1 { depth = 0; delete sig }
  {
    match($0, /^ */)
    indent = RLENGTH
    text = substr($0, indent + 1)
  }
  text == "{" {
    name = sig[indent]
    if (match(name, /[A-Za-z_~][A-Za-z0-9_:~]*\(/))
      name = substr(name, RSTART, RLENGTH - 1)
    depth++
    open_indent[depth] = indent; open_line[depth] = FNR; open_name[depth] = name
    next
  }
  text == "}" && depth > 0 && indent == open_indent[depth] {
    n = FNR - open_line[depth] + 1
    if (n > limit)
      printf "%5d %s:%d %s\n", n, FILENAME, open_line[depth] - 1, open_name[depth]
    depth--
    next
  }
  text != "" && text !~ /^(\/\/|#|}|\))/ { sig[indent] = text }
' | sort -rn
