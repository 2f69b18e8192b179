#!/usr/bin/env bash
# Source checks the compilers cannot make. Exits non-zero with one line per finding.
#
# 1. A procedure handed to Windows must have exactly the type Windows calls it through: on i686
#    a function without CALLBACK/WINAPI is called with the wrong convention and the stack is
#    corrupted on return (on x86_64 there is one convention, so the fault stays hidden there). A
#    cast of a procedure pointer silences the compiler's type check, so none is allowed: C-style,
#    functional or reinterpret_cast to any Windows procedure type.
# 2. Every C++ source follows .clang-format (clang-format in check mode).
# 3. Every generated file is what its generator writes today: the generators run into a
#    temporary folder and their output is compared byte for byte with the tree's copy.
# 4. The version is written only in platform/Version.h.
# Usage: check-sources.sh [FILE_OR_FOLDER...]   (default: every C++ source of the tree; checks 3
# and 4 concern the whole tree and run only then)
set -u
cd "$(dirname "$0")/.."
top=$(pwd)
whole_tree=0
if [ $# -eq 0 ]; then
  whole_tree=1
  set -- $(git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null)
fi
status=0

procs='WNDPROC|DLGPROC|HOOKPROC|TIMERPROC|FARPROC|BFFCALLBACK|WNDENUMPROC|SUBCLASSPROC|PFNPROPSHEETCALLBACK|LPFNPSPCALLBACK[AW]?|LPOFNHOOKPROC|PFNLVCOMPARE|LPTHREAD_START_ROUTINE|PTHREAD_START_ROUTINE|THREADPROC'
pattern="(\\(\\s*($procs)\\s*\\)|reinterpret_cast<\\s*($procs)\\s*>|\\b($procs)\\s*\\()\\s*[&A-Za-z_:]"
found=$(grep -HrnE "$pattern" "$@" 2>/dev/null | grep -vE "^\S+:[0-9]+:\s*//")
if [ -n "$found" ]; then
  echo "$found" | sed 's/$/   <- a cast of a procedure pointer: give the function the exact Windows type instead/'
  status=1
else
  echo "source checks: no procedure-pointer casts"
fi

# clang-format names each file that differs in a warning line "FILE:LINE:COL: warning: ...".
sources=$(for f in "$@"; do
  if [ -d "$f" ]; then find "$f" -name '*.cpp' -o -name '*.h' -o -name '*.c'; else echo "$f"; fi
done)
if ! command -v clang-format >/dev/null; then
  echo "clang-format is missing (apt-get install clang-format)"
  status=1
else
  # shellcheck disable=SC2086
  misformatted=$(echo "$sources" | xargs -r clang-format --dry-run 2>&1 |
                 sed -nE 's/^([^:]+):[0-9]+:[0-9]+: (warning|error):.*/\1/p' | sort -u)
  if [ -n "$misformatted" ]; then
    echo "$misformatted" | sed 's/$/   <- differs from .clang-format: run clang-format -i on it/'
    status=1
  else
    echo "source checks: every source follows .clang-format"
  fi
fi

if [ $whole_tree = 1 ]; then
  gen=$(mktemp -d)
  trap 'rm -rf "$gen"' EXIT
  # compare FILE GENERATED HOW: the tree's FILE against a fresh GENERATED.
  stale=0
  compare() {
    if ! cmp -s "$1" "$2"; then
      echo "$1   <- not what its generator writes now: $3"
      stale=1
    fi
  }
  python3 scripts/gen_html_entities.py > "$gen/HtmlEntityTable.inc" &&
    compare html/HtmlEntityTable.inc "$gen/HtmlEntityTable.inc" \
      "python3 scripts/gen_html_entities.py > html/HtmlEntityTable.inc" || stale=1
  python3 html/make_charsets.py > "$gen/CharsetTables.inc" &&
    compare html/CharsetTables.inc "$gen/CharsetTables.inc" \
      "python3 html/make_charsets.py > html/CharsetTables.inc" || stale=1
  python3 book/make_fold_table.py > "$gen/TextFoldTable.inc" &&
    compare book/TextFoldTable.inc "$gen/TextFoldTable.inc" \
      "python3 book/make_fold_table.py > book/TextFoldTable.inc" || stale=1
  python3 viewer/make_art.py "$gen" &&
    compare viewer/viewer.ico "$gen/viewer.ico" "(cd viewer && python3 make_art.py)" &&
    compare viewer/toolbar.bmp "$gen/toolbar.bmp" "(cd viewer && python3 make_art.py)" || stale=1
  python3 resources/make_icon.py "$gen" &&
    compare publisher/Pagevane.ico "$gen/Pagevane.ico" "(cd resources && python3 make_icon.py)" ||
    stale=1
  if [ $stale = 0 ]; then
    echo "source checks: the generated files match their generators"
  else
    status=1
  fi

  # The version: platform/Version.h defines it; resources and scripts take it from there.
  version=$(sed -nE 's/^#define PV_VERSION_TEXT "([^"]+)"$/\1/p' platform/Version.h)
  if [ -z "$version" ]; then
    echo "platform/Version.h   <- no PV_VERSION_TEXT"
    status=1
  else
    written=$(git grep -nF "Version $version" -- '*.rc' '*.sh' '*.py' 2>/dev/null
              git grep -nE "^version=[0-9]" -- '*.sh' 2>/dev/null)
    if [ -n "$written" ]; then
      echo "$written" | sed 's/$/   <- a version written out: take it from platform\/Version.h/'
      status=1
    else
      echo "source checks: the version is written only in platform/Version.h"
    fi
  fi
fi
exit $status
