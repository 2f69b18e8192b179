#!/usr/bin/env bash
# Runs every test: native unit tests under the sanitizers, the threaded build tests under
# ThreadSanitizer, the Windows tests under Wine, the end-to-end tests, a short run of each fuzzer
# and the pages in Chromium. Ends with each suite's times and one line "N passed, N failed" over
# the suites; exits non-zero when anything fails.
set -u
cd "$(dirname "$0")/.."

# PV_WINE64=1, the forced 64-bit mode: the whole run as on a kernel that cannot start 32-bit
# programs (tests/support/refuse32.c says how), so that the 64-bit path is really the only one.
if [ "${PV_WINE64:-0}" = 1 ] && [ -z "${PV_REFUSING_32:-}" ]; then
  refuse=build/native/tests/e2e/refuse32
  if [ ! -x "$refuse" ]; then echo "test: $refuse is missing; run 'make native' first" >&2; exit 1; fi
  export PV_REFUSING_32=1
  exec "$refuse" -- bash "$0" "$@"
fi
passed=0
failed=0
# Each suite's wall time and the user + sys time of every process it started (scripts/timed.py):
# on a shared machine the first says how long it waited, the second how much work it did.
times_file=$(mktemp)
trap 'rm -f "$times_file" "$times_file.one"' EXIT
suite() {
  local name=$1 ok=passed; shift
  echo
  echo "== $name"
  rm -f "$times_file.one"
  if python3 scripts/timed.py "$times_file.one" "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    ok=FAILED
    echo "== FAILED: $name"
  fi
  awk -v ok="$ok" -v name="$name" '{ printf "%7.0f s %7.0f s  %-6s  %s\n", $1, $2 + $3, ok, name }' \
    "$times_file.one" >>"$times_file" 2>/dev/null
}

if [ -n "${PV_REFUSING_32:-}" ]; then
  suite "forced 64-bit mode: 32-bit programs are refused" bash tests/e2e/forced64.sh
fi
suite "source checks" bash scripts/check-sources.sh
suite "native unit tests (AddressSanitizer + UndefinedBehaviorSanitizer)" \
  bash -c 'cd build/asan && ctest --output-on-failure -j 2'
suite "threaded build tests (ThreadSanitizer)" \
  bash -c 'cd build/tsan && ctest --output-on-failure -j 2'
# The Windows suites run on the 32-bit Wine where the kernel can start 32-bit programs, else (or
# with PV_WINE64=1) on the 64-bit Wine with the x86_64 build of the same sources.
if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then
  wine_kind="Wine 64-bit"
  win_build=build/win64
else
  wine_kind="Wine 32-bit"
  win_build=build/win
fi
export PV_WIN_BUILD=$win_build
suite "Windows tests under $wine_kind" bash -c "cd $win_build && ctest --output-on-failure -j 2"
suite "end-to-end tests ($wine_kind)" bash tests/e2e/run.sh
suite "the download for Windows users" bash tests/e2e/dist.sh
suite "fuzzers" bash tests/fuzz/run.sh
suite "pages in Chromium (pagevane-cli read)" \
  python3 tests/browser/run.py --cli build/native/cli/pagevane-cli \
    --scripts build/native/tests/e2e/viewer-scripts --out build/browser

echo
# The steps of `make test` before this script (the Makefile times them into build/times).
if ls build/times/* >/dev/null 2>&1; then
  echo "   wall  user+sys          step"
  for f in $(ls -1tr build/times); do
    awk -v name="$f" '{ printf "%7.0f s %7.0f s          make %s\n", $1, $2 + $3, name }' "build/times/$f"
  done
fi
echo "   wall  user+sys  result  suite"
cat "$times_file"
awk '{ w += $1; c += $3 } END { printf "%7.0f s %7.0f s          all suites\n", w, c }' "$times_file"
echo "The Windows suites ran on $wine_kind."
echo "suites: $passed passed, $failed failed"
[ $failed -eq 0 ]
