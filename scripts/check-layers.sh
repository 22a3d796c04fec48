#!/usr/bin/env bash
# Fails, with one line per violation, when the sources or CMakeLists.txt break the house's layers.
#
#   bash scripts/check-layers.sh [ROOT]      (ROOT: the source tree, by default this repository)
#
# The folders, lowest first; each may include itself and anything below it, nothing above:
#
#   platform <- util <- store <- graphics <- app <- dialogs, printing <- mainwindow
#
# dialogs and printing are siblings: neither includes the other. main.cpp belongs to mainwindow.
# A folder that does not exist (app/ before it is made) is simply absent.
#
# Widget code. The lower half (platform, util, store, graphics) is widget-free, except in the
# sub-folders gui/ and widgets/ of those four folders. A sub-folder X/gui or X/widgets ranks with X:
# it may include X, whatever X may include, and the gui/ and widgets/ sub-folders of X and of the
# folders below X (util/widgets may include platform/gui; platform/gui may not include util).
# A widget-free file may include neither a gui/ or widgets/ header nor a Qt Widgets or Qt Print
# Support header. Those headers are the class and module headers found in the QtWidgets and
# QtPrintSupport include folders of the Qt 6 on this machine, less the few that QtCore or QtGui
# also provide (qaction.h, ...), and anything spelt <QtWidgets/...> or <QtPrintSupport/...>.
# app, dialogs, printing and mainwindow may include widgets.
#
# An include names the file it resolves to: "x.h" beside the including file first, then from the
# top of the tree (the one include folder), as the compiler finds it; <x.h> from the top of the
# tree, else it is a system header. Files outside the folders above (tests/, bench/, resources/)
# are not ranked.
#
# CMakeLists.txt (every one in the tree). The script reads qm_add_library(NAME DIR LIBS...)
# (links PUBLIC up to a PRIVATE keyword; sources DIR/*), qm_add_tests(NAME DIR LIBS...)
# (PRIVATE links; sources tests/DIR/*), add_library/add_executable (sources by name, or the folders
# of a file(GLOB) variable, also through a foreach variable) and target_link_libraries. A file
# named in add_library/add_executable belongs to that target only; any other file belongs to the
# targets whose source folder holds it.
#  - A library links only libraries of its own folder or of folders below, by the order above
#    (widget-free libraries link no gui/ or widgets/ library and neither Qt6::Widgets nor
#    Qt6::PrintSupport).
#  - No target names the same library twice, and the links between libraries form no cycle (a
#    cycle through a link that goes up is reported as that link).
#  - Third-party libraries, each known by its headers:
#      SQLite::SQLite3 <sqlite3.h>   CURL::libcurl <curl/...>   JPEG::JPEG <jpeglib.h> <jerror.h>
#      Cups::Cups <cups/...>   Threads::Threads <thread> <pthread.h>   ${CMAKE_DL_LIBS}, dl <dlfcn.h>
#    A library links one PUBLIC only when one of its own headers includes it (so that its
#    dependants see it), PRIVATE otherwise. No target links one that none of its own files
#    include, and a target whose own files include one links it itself, not through another
#    library (tests and bench too).
#
# Known violations that other work removes are listed, one per line as "include A -> B" or
# "link X -> Y", in scripts/check-layers.allow: they are reported as a note, not as a failure.
# When the file is gone, nothing is allowed.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

# The Qt 6 include folder: qtpaths6 knows it; the usual Debian places otherwise.
qt_headers=${QM_QT_HEADERS:-}
if [ -z "$qt_headers" ]; then
  for q in "$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null)" /usr/include/*/qt6 /usr/include/qt6; do
    if [ -n "$q" ] && [ -d "$q/QtWidgets" ]; then
      qt_headers=$q
      break
    fi
  done
fi
if [ -z "$qt_headers" ] || [ ! -d "$qt_headers/QtWidgets" ]; then
  echo "check-layers: cannot find the Qt 6 Widgets headers (set QM_QT_HEADERS)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every source file of the tree (not the build folders), sorted so that the report is stable.
find . -mindepth 1 \( -name '.*' -o -name 'build*' \) -prune -o -type f \
  \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \) -print |
  sed 's|^\./||' | LC_ALL=C sort >"$work/files"
find . -mindepth 1 \( -name '.*' -o -name 'build*' \) -prune -o -type f -name CMakeLists.txt -print |
  sed 's|^\./||' | LC_ALL=C sort >"$work/cmakelists"

{
  # Qt Widgets and Print Support headers, less those that QtCore or QtGui provide as well.
  LC_ALL=C comm -23 <(ls "$qt_headers/QtWidgets" "$qt_headers/QtPrintSupport" | grep -v -e ':$' -e '^$' | LC_ALL=C sort -u) \
    <(ls "$qt_headers/QtCore" "$qt_headers/QtGui" | grep -v -e ':$' -e '^$' | LC_ALL=C sort -u) | sed 's/^/Q\t/'
  sed 's/^/F\t/' "$work/files"
  # file:line:text of every #include
  if [ -s "$work/files" ]; then
    tr '\n' '\0' <"$work/files" |
      xargs -0 grep -Hn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' /dev/null |
      sed -E 's/^([^:]*):([0-9]+):/I\t\1\t\2\t/' || true
  fi
  # One line per CMake command: its file, the line it starts on, its name and its arguments.
  if [ -s "$work/cmakelists" ]; then
    tr '\n' '\0' <"$work/cmakelists" | xargs -0 awk '
      FNR == 1 { incmd = 0 }
      {
        # Drop a comment: a # outside double quotes.
        text = ""; quoted = 0
        for (i = 1; i <= length($0); i++) {
          c = substr($0, i, 1)
          if (c == "\"") quoted = !quoted
          else if (c == "#" && !quoted) break
          text = text c
        }
        if (!incmd) {
          if (!match(text, /^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*\(/)) next
          name = substr(text, RSTART, RLENGTH); gsub(/[ \t(]/, "", name)
          text = substr(text, RSTART + RLENGTH)
          incmd = 1; depth = 1; args = ""; start = FNR
        }
        for (i = 1; i <= length(text); i++) {
          c = substr(text, i, 1)
          if (c == "(") depth++
          else if (c == ")" && --depth == 0) break
        }
        args = args " " substr(text, 1, i - 1)
        if (depth == 0) {
          gsub(/"/, "", args); gsub(/[ \t]+/, " ", args); sub(/^ /, "", args); sub(/ $/, "", args)
          printf "C\t%s\t%d\t%s\t%s\n", FILENAME, start, name, args
          incmd = 0
        }
      }'
  fi
  if [ -f scripts/check-layers.allow ]; then
    grep -v -E '^[[:space:]]*(#|$)' scripts/check-layers.allow | sed 's/^/A\t/' || true
  fi
} >"$work/facts"

awk -F'\t' '
function dirof(p) { return (p ~ /\//) ? substr(p, 1, match(p, /\/[^\/]*$/) - 1) : "" }

# The path without "." and ".." parts, or "" when it leaves the tree.
function norm(p,   n, part, stack, k, i, out) {
  n = split(p, part, "/"); k = 0
  for (i = 1; i <= n; i++) {
    if (part[i] == "" || part[i] == ".") continue
    if (part[i] == "..") { if (k == 0) return ""; k--; continue }
    stack[++k] = part[i]
  }
  out = ""
  for (i = 1; i <= k; i++) out = out (i > 1 ? "/" : "") stack[i]
  return out
}

# The ranked folder a file lies in ("graphics", "util/widgets"), or "".
function layer(p,   n, part) {
  n = split(p, part, "/")
  if (n < 2 || !(part[1] in rank)) return ""
  if (rank[part[1]] <= LOWER && n >= 3 && (part[2] == "gui" || part[2] == "widgets"))
    return part[1] "/" part[2]
  return part[1]
}
function top(l) { sub(/\/.*/, "", l); return l }
function widgety(l) { return l ~ /\// || rank[top(l)] > LOWER }

# Why folder a may not include (or link) folder b, or "" when it may.
function rule(a, b, verb,   ta, tb) {
  ta = top(a); tb = top(b)
  if (rank[tb] > rank[ta]) return a " may not " verb " " b ", a folder above it"
  if (rank[tb] == rank[ta] && ta != tb) return ta " and " tb " may not " verb " each other"
  if (!widgety(a) && b ~ /\//) return a " is widget-free and may not " verb " " b
  return ""
}

function thirdparty(h) {
  if (h == "sqlite3.h") return "SQLite::SQLite3"
  if (h ~ /^curl\//) return "CURL::libcurl"
  if (h == "jpeglib.h" || h == "jerror.h") return "JPEG::JPEG"
  if (h ~ /^cups\//) return "Cups::Cups"
  if (h == "thread" || h == "pthread.h") return "Threads::Threads"
  if (h == "dlfcn.h") return "dl"
  return ""
}

# Every message starts with "file:line: "; they are printed sorted by file, then line.
function report(key, msg,   p, i) {
  if (key != "" && (key in allowed)) { allowedSeen[key]++; return }
  p = index(msg, ":")
  sortkey[++violations] = substr(msg, 1, p - 1) sprintf("\t%09d", substr(msg, p + 1) + 0)
  message[violations] = msg
  for (i = violations; i > 1 && sortkey[i - 1] > sortkey[i]; i--) {
    p = sortkey[i]; sortkey[i] = sortkey[i - 1]; sortkey[i - 1] = p
    p = message[i]; message[i] = message[i - 1]; message[i - 1] = p
  }
}

function target(t, kind) {
  if (!(t in tkind)) { tkind[t] = ""; order[++ntargets] = t }
  if (kind != "") tkind[t] = kind
}

# A path argument of a CMake command, relative to the top of the tree, or "" when unknown.
function cmpath(s, cmdir,   p) {
  if (sub(/^\$\{CMAKE_CURRENT_SOURCE_DIR\}/, "", s)) p = cmdir s
  else if (sub(/^\$\{(PROJECT_SOURCE_DIR|CMAKE_SOURCE_DIR)\}/, "", s)) p = s
  else p = cmdir "/" s
  return (p ~ /\$/) ? "" : norm(p)
}

function source(t, s, cm, cmdir,   v, n, d, i) {
  if (s ~ /^\$\{[A-Za-z0-9_]+\}$/) {
    v = substr(s, 3, length(s) - 3)
    if ((cm SUBSEP v) in alias) v = alias[cm SUBSEP v]
    n = split(globdirs[cm SUBSEP v], d, " ")
    for (i = 1; i <= n; i++) dirowners[d[i]] = dirowners[d[i]] " " t
    return
  }
  if (s ~ /^(STATIC|SHARED|MODULE|OBJECT|INTERFACE|WIN32|MACOSX_BUNDLE|EXCLUDE_FROM_ALL)$/) return
  s = cmpath(s, cmdir)
  if (s != "") named[s] = named[s] " " t
}

function link(t, item, vis, where,   key) {
  if (item == "${CMAKE_DL_LIBS}") item = "dl"
  if (item ~ /^\$/) return
  target(t, "")
  key = t SUBSEP item
  if (key in linkvis) { report("", where ": " t " links " item " twice (also at " linkwhere[key] ")"); return }
  linkvis[key] = vis; linkwhere[key] = where
  links[t, ++nlinks[t]] = item
}

function command(cm, line, name, args,   cmdir, a, n, i, v, vis, where) {
  if (cm != curcm) { curcm = cm; skip = 0 }
  name = tolower(name)
  if (name == "function" || name == "macro") { skip++; return }
  if (name == "endfunction" || name == "endmacro") { skip--; return }
  if (skip > 0) return
  cmdir = dirof(cm); where = cm ":" line
  n = split(args, a, " ")
  if (name == "file" && (a[1] == "GLOB" || a[1] == "GLOB_RECURSE")) {
    for (i = 3; i <= n; i++) {
      if (a[i] == "RELATIVE" || a[i] == "LIST_DIRECTORIES") { i++; continue }
      if (a[i] ~ /^(CONFIGURE_DEPENDS|FOLLOW_SYMLINKS)$/) continue
      v = dirof(cmpath(a[i], cmdir))
      if (v !~ /[*?[]/) globdirs[cm SUBSEP a[2]] = globdirs[cm SUBSEP a[2]] " " v
    }
  } else if (name == "foreach" && n == 2 && a[2] ~ /^\$\{[A-Za-z0-9_]+\}$/) {
    alias[cm SUBSEP a[1]] = substr(a[2], 3, length(a[2]) - 3)
  } else if (name == "qm_add_library" || name == "qm_add_tests") {
    target(a[1], name == "qm_add_library" ? "lib" : "exe")
    v = cmpath(a[2], cmdir)
    tdir[a[1]] = v
    dirowners[v] = dirowners[v] " " a[1]
    vis = (name == "qm_add_library") ? "PUBLIC" : "PRIVATE"
    for (i = 3; i <= n; i++) {
      if (a[i] ~ /^(PUBLIC|PRIVATE|INTERFACE)$/) vis = a[i]
      else link(a[1], a[i], vis, where)
    }
  } else if (name == "add_library" || name == "add_executable") {
    if (args ~ /(^| )(IMPORTED|ALIAS)( |$)/) return
    target(a[1], name == "add_library" ? "lib" : "exe")
    for (i = 2; i <= n; i++) source(a[1], a[i], cm, cmdir)
  } else if (name == "target_link_libraries") {
    vis = "PUBLIC"
    for (i = 2; i <= n; i++) {
      if (a[i] ~ /^(PUBLIC|PRIVATE|INTERFACE)$/) vis = a[i]
      else if (a[i] ~ /^LINK_(PUBLIC|PRIVATE)$/) vis = substr(a[i], 6)
      else if (a[i] == "LINK_INTERFACE_LIBRARIES") vis = "INTERFACE"
      else link(a[1], a[i], vis, where)
    }
  }
}

# Cycles among the links that do not go up (those are reported already).
function visit(t,   i, u) {
  state[t] = 1
  for (i = 1; i <= nlinks[t]; i++) {
    u = links[t, i]
    if (tkind[u] != "lib" || ((t SUBSEP u) in upward)) continue
    if (state[u] == 1) report("link " t " -> " u, linkwhere[t SUBSEP u] ": " t " links " u ", which leads back to " t " (a cycle)")
    else if (state[u] == 0) visit(u)
  }
  state[t] = 2
}

BEGIN {
  rank["platform"] = 1; rank["util"] = 2; rank["store"] = 3; rank["graphics"] = 4
  rank["app"] = 5; rank["dialogs"] = 6; rank["printing"] = 6; rank["mainwindow"] = 7
  LOWER = 4
}
$1 == "Q" { qtwidget[$2] = 1; next }
$1 == "F" { exists[$2] = 1; files[++nfiles] = $2; next }
$1 == "I" { inc[++ninc] = $2; incline[ninc] = $3; inctext[ninc] = $4; next }
$1 == "C" { command($2, $3, $4, $5); next }
$1 == "A" { allowed[$2] = 1; allowlist[++nallow] = $2; next }

END {
  # Which targets own which files.
  for (i = 1; i <= nfiles; i++) {
    f = files[i]
    owners[f] = (f in named) ? named[f] : dirowners[dirof(f)]
    n = split(owners[f], o, " ")
    for (j = 1; j <= n; j++) ownsfiles[o[j]] = 1
  }

  for (i = 1; i <= ninc; i++) {
    f = inc[i]; where = f ":" incline[i]
    if (!match(inctext[i], /[<"][^>"]*[>"]/)) continue
    spelt = substr(inctext[i], RSTART, RLENGTH)
    h = substr(spelt, 2, length(spelt) - 2)
    found = ""
    if (substr(spelt, 1, 1) == "\"" && exists[norm(dirof(f) "/" h)]) found = norm(dirof(f) "/" h)
    else if (exists[norm(h)]) found = norm(h)
    la = layer(f)
    if (found != "") {
      lb = layer(found)
      if (la != "" && lb != "" && la != lb && (msg = rule(la, lb, "include")) != "")
        report("include " la " -> " lb, where ": " spelt ": " msg)
      continue
    }
    if (la != "" && !widgety(la) && ((h in qtwidget) || h ~ /^Qt(Widgets|PrintSupport)(\/|$)/))
      report("", where ": " spelt ": " la " is widget-free and may not include Qt Widgets or Print Support")
    if ((lib = thirdparty(h)) == "") continue
    n = split(owners[f], o, " ")
    for (j = 1; j <= n; j++) {
      used[o[j], lib] = 1
      if (f ~ /\.(h|hpp)$/) inheader[o[j], lib] = 1
      if (!((o[j] SUBSEP lib) in linkvis))
        report("", where ": " spelt ": " o[j] " uses " lib " but does not link it")
    }
  }

  for (i = 1; i <= ntargets; i++) {
    t = order[i]
    lt = (t in tdir) ? layer(tdir[t] "/x") : ""
    for (j = 1; j <= nlinks[t]; j++) {
      u = links[t, j]; key = t SUBSEP u; where = linkwhere[key]
      if (u == "dl" || u ~ /^(SQLite::SQLite3|CURL::libcurl|JPEG::JPEG|Cups::Cups|Threads::Threads)$/) {
        if (ownsfiles[t] && !(key in used))
          report("", where ": " t " links " u " but none of its files include it")
        else if (tkind[t] == "lib" && linkvis[key] != "PRIVATE" && !(key in inheader))
          report("", where ": " t " links " u " " linkvis[key] " but no header of " t " includes it: link it PRIVATE")
      } else if (u ~ /^Qt6::(Widgets|PrintSupport)$/) {
        if (lt != "" && !widgety(lt)) report("", where ": " lt " is widget-free and may not link " u)
      } else if (tkind[u] == "lib" && lt != "" && (u in tdir) && (lu = layer(tdir[u] "/x")) != "" && lt != lu) {
        if ((msg = rule(lt, lu, "link")) != "") {
          upward[key] = 1
          report("link " t " -> " u, where ": " t " links " u ": " msg)
        }
      }
    }
  }
  for (i = 1; i <= ntargets; i++)
    if (tkind[order[i]] == "lib" && state[order[i]] == 0) visit(order[i])

  for (i = 1; i <= nallow; i++) {
    k = allowlist[i]
    if (allowedSeen[k]) print "check-layers: note: still allowed (scripts/check-layers.allow): " k " (" allowedSeen[k] "x)"
    else print "check-layers: note: \"" k "\" no longer occurs: delete it from scripts/check-layers.allow"
  }
  for (i = 1; i <= violations; i++) print "check-layers: " message[i] > "/dev/stderr"
  if (violations) {
    print "check-layers: " violations " violation(s) of the layer rules (see scripts/check-layers.sh)" > "/dev/stderr"
    exit 1
  }
}' "$work/facts"
