#!/usr/bin/env bash
# Runs scripts/check-layers.sh on a tiny tree made here and checks that it reports exactly the
# breaks planted in it, then that it passes once they are mended or allowed.
set -euo pipefail
check=$(cd "$(dirname "$0")" && pwd)/check-layers.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cd "$tree"
mkdir -p platform util store scripts

cat >CMakeLists.txt <<'EOF'
qm_add_library(qm_platform platform)
qm_add_library(qm_util util qm_platform)
qm_add_library(qm_store store qm_util
  SQLite::SQLite3)
target_link_libraries(qm_util PUBLIC qm_store)
EOF
echo '#pragma once' >platform/Clock.h
printf '#include <string>\n\n#include "platform/Clock.h"\n' >util/Text.h
printf '#include "Text.h"\n#include "../store/Record.h"\n' >util/Text.cpp
echo '#pragma once' >store/Record.h
printf '#include <QPushButton>\n#include <sqlite3.h>\n#include <QImage>\n' >store/Record.cpp

fail() {
  echo "test-check-layers: $1" >&2
  printf '%s\n' "$out" >&2
  exit 1
}

rc=0
out=$(bash "$check" . 2>&1) || rc=$?
expected='check-layers: CMakeLists.txt:3: qm_store links SQLite::SQLite3 PUBLIC but no header of qm_store includes it: link it PRIVATE
check-layers: CMakeLists.txt:5: qm_util links qm_store: util may not link store, a folder above it
check-layers: store/Record.cpp:1: <QPushButton>: store is widget-free and may not include Qt Widgets or Print Support
check-layers: util/Text.cpp:2: "../store/Record.h": util may not include store, a folder above it
check-layers: 4 violation(s) of the layer rules (see scripts/check-layers.sh)'
[ "$rc" -eq 1 ] || fail "expected exit 1, got $rc"
[ "$out" = "$expected" ] || fail "unexpected report; expected:
$expected
got:"

# Mended: the widget include and the PUBLIC link are gone; the two upward steps are allowed.
echo '#include <sqlite3.h>' >store/Record.cpp
sed -i 's/  SQLite::SQLite3)/  PRIVATE SQLite::SQLite3)/' CMakeLists.txt
printf 'include util -> store\nlink qm_util -> qm_store\nlink qm_store -> qm_util\n' >scripts/check-layers.allow
rc=0
out=$(bash "$check" . 2>&1) || rc=$?
expected='check-layers: note: still allowed (scripts/check-layers.allow): include util -> store (1x)
check-layers: note: still allowed (scripts/check-layers.allow): link qm_util -> qm_store (1x)
check-layers: note: "link qm_store -> qm_util" no longer occurs: delete it from scripts/check-layers.allow'
[ "$rc" -eq 0 ] || fail "expected exit 0 once mended, got $rc"
[ "$out" = "$expected" ] || fail "unexpected report once mended; expected:
$expected
got:"
echo "test-check-layers: ok"
