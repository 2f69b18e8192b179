#!/usr/bin/env bash
# The zip for Windows users: two runs of scripts/dist.sh give the same bytes; it holds the two
# programs as built, the sample book and the text; and the Pagevane.exe unpacked from it does a
# whole job under Wine (the publisher's end-to-end test, pointed at the unpacked files).
# Assumes build/win (make win). Exits non-zero when any check fails.
set -u
cd "$(dirname "$0")/../.."
# Under build/, with a space in its name: the whole job must work wherever the files lie.
mkdir -p build
work=$(realpath "$(mktemp -d "build/pv dist.XXXXXX")")
trap 'rm -rf "$work"' EXIT
failures=0
check() { local what=$1; shift; if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi; }
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

PV_DIST_OUT="$work/one.zip" bash scripts/dist.sh >/dev/null
check "dist writes the zip" test -s "$work/one.zip"
PV_DIST_OUT="$work/two.zip" bash scripts/dist.sh >/dev/null
check "two runs give the same bytes" cmp -s "$work/one.zip" "$work/two.zip"

mkdir "$work/unpacked"
(cd "$work/unpacked" && python3 -m zipfile -e "$work/one.zip" .)
top="$work/unpacked/pagevane-1.0"
check "Pagevane.exe as built" cmp -s "$top/Pagevane.exe" build/win/publisher/Pagevane.exe
check "pagevane-cli.exe as built" cmp -s "$top/pagevane-cli.exe" build/win/cli/pagevane-cli.exe
check "the sample book" diff -r "$top/examples/lighthouses" examples/lighthouses
check "the text for Windows users" grep -q "Tessaly" "$top/README.txt"

# Run from the scratch folder, where the test leaves its screenshots and output files. The zip
# holds the i686 programs: where only the 64-bit Wine runs, this check is left out.
root=$(pwd)
if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then
  echo "skip: the unpacked Pagevane.exe is i686 and this machine runs only the 64-bit Wine"
  exit $((failures != 0))
fi
(cd "$work" &&
  PV_PUBLISHER_EXE=$(winpath "$top/Pagevane.exe") PV_CLI_EXE=$(winpath "$top/pagevane-cli.exe") \
  PV_SOURCE_DIR=$(winpath "$top") PV_WINE_TIMEOUT=300 \
  "$root/scripts/wine-run.sh" "$root/build/win/tests/win32/publisher_e2e_tests.exe" \
  --gtest_filter=PublisherRun.TheWholeJobGivesTheCommandLinesBytes >"$work/run.log" 2>&1)
check "the unpacked Pagevane.exe does a whole job under Wine" test $? -eq 0
[ $failures -eq 0 ] || grep -E "Failure|Which|Expected|Value|FAILED" "$work/run.log" | head -20
[ $failures -eq 0 ]
