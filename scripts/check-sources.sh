#!/usr/bin/env bash
# Source checks the compilers cannot make. Exits non-zero with one line per finding.
#
# A procedure handed to Windows must have exactly the type Windows calls it through: on i686 a
# function without CALLBACK/WINAPI is called with the wrong convention and the stack is corrupted
# on return (on x86_64 there is one convention, so the fault stays hidden there). A cast of a
# procedure pointer silences the compiler's type check, so none is allowed: C-style, functional
# or reinterpret_cast to any Windows procedure type.
# Usage: check-sources.sh [FILE_OR_FOLDER...]   (default: every C++ source of the tree)
set -u
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  set -- $(git ls-files '*.cpp' '*.h' 2>/dev/null)
fi
procs='WNDPROC|DLGPROC|HOOKPROC|TIMERPROC|FARPROC|BFFCALLBACK|WNDENUMPROC|SUBCLASSPROC|PFNPROPSHEETCALLBACK|LPFNPSPCALLBACK[AW]?|LPOFNHOOKPROC|PFNLVCOMPARE|LPTHREAD_START_ROUTINE|PTHREAD_START_ROUTINE|THREADPROC'
pattern="(\\(\\s*($procs)\\s*\\)|reinterpret_cast<\\s*($procs)\\s*>|\\b($procs)\\s*\\()\\s*[&A-Za-z_:]"
found=$(grep -HrnE "$pattern" "$@" 2>/dev/null | grep -vE "^\S+:[0-9]+:\s*//")
if [ -n "$found" ]; then
  echo "$found" | sed 's/$/   <- a cast of a procedure pointer: give the function the exact Windows type instead/'
  exit 1
fi
echo "source checks: no procedure-pointer casts"
