#!/usr/bin/env bash
# End-to-end tests of the whole programs, on the sample book:
#  1. the native pagevane-cli builds the sample, with 1, 8 and the default number of packing
#     threads into the same bytes; list shows it; extract gives every file back byte for byte; a
#     custom icon fits the real viewer's icon;
#  2. pagevane-cli.exe under Wine builds the same sample into a byte-identical e-book (with the
#     default threads and with 8), lists it as the native one does and extracts it byte for byte;
#  3. the built e-book starts under Wine and reads its store (the viewer's self-test report);
#  4. check finds nothing in the sample, a folder's index.html becomes the home page, --version,
#     pagevane-cli.exe read names the e-book as its own reader,
#     and progress shows on a terminal only;
#  5. signed e-books (tests/e2e/sign.sh): they verify and read, natively and under Wine, where the
#     signed e-book starts and reads its store too; pagevane-cli.exe signs through a stand-in
#     signtool.exe (PV_E2E_SIGNTOOL, by default the Windows build's tests/win32/signtool.exe).
# Assumes the Makefile's build/native and build/win (override with PV_E2E_NATIVE_CLI,
# PV_E2E_WIN_CLI). Where the 32-bit Wine cannot start (scripts/wine-kind.sh says 64, or
# PV_WINE64=1), the Windows programs are those of build/win64 under wine64: its pagevane-cli.exe
# carries the shipped i686 viewer, so the byte-identity check is the same, and the e-book whose
# start is tested is built on the x86_64 viewer by a test tool (pagevane-cli-anystub).
# Exits non-zero when any check fails.
set -u
cd "$(dirname "$0")/../.."
root=$(pwd)

native_cli=${PV_E2E_NATIVE_CLI:-build/native/cli/pagevane-cli}
if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then
  wine_bits=64
  win_cli=${PV_E2E_WIN_CLI:-build/win64/cli/pagevane-cli.exe}
  standin_signtool=${PV_E2E_SIGNTOOL:-build/win64/tests/win32/signtool.exe}
  export PV_WINE_ARCH=win64
else
  wine_bits=32
  win_cli=${PV_E2E_WIN_CLI:-build/win/cli/pagevane-cli.exe}
  standin_signtool=${PV_E2E_SIGNTOOL:-build/win/tests/win32/signtool.exe}
  export PV_WINE_ARCH=win32
fi
anystub_cli=build/native/tests/e2e/pagevane-cli-anystub
viewer64=build/win64/viewer/viewer.exe
book=examples/lighthouses

work=$(mktemp -d /tmp/pv-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT

failures=0
pass() { echo "ok:   $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# The flags the sample is built with (the same as scripts/sample.sh, minus the About text's line
# break, which a Windows command line cannot carry).
flags=(--home index.html --title "Lights Along the Shore" --author "The Pagevane sample"
       --copyright "Written for the Pagevane project" --option SearchButton=1)

# A path as the Windows programs under Wine see it (drive Z: is the root of the file system).
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

for prog in "$native_cli" "$win_cli"; do
  if [ ! -e "$prog" ]; then echo "e2e: $prog is missing; build it first (make native)"; exit 1; fi
done

echo "== native command line"
"$native_cli" build "$book" -o "$work/native.exe" "${flags[@]}" 2>"$work/build.err"
check "native build exits 0" test $? -eq 0
check "native build prints no message" test ! -s "$work/build.err"

for jobs in 1 8; do
  "$native_cli" build "$book" -o "$work/native-$jobs.exe" "${flags[@]}" --jobs $jobs 2>/dev/null
  check "native build --jobs $jobs gives the same bytes" cmp -s "$work/native.exe" "$work/native-$jobs.exe"
done

"$native_cli" list "$work/native.exe" >"$work/list.txt" 2>"$work/list.err"
check "list exits 0" test $? -eq 0
check "list shows the title" grep -q "^Title: *Lights Along the Shore$" "$work/list.txt"
check "list shows every file" \
  test "$(grep -c -E ' (index|contents)\.html$| chapters/0[123]-[a-z]+\.html$| style\.css$| images/beacon\.png$' "$work/list.txt")" -eq 7
check "list puts the home page first" \
  bash -c "grep -A1 '^ *page' '$work/list.txt' | tail -1 | grep -q ' index.html$'"

# A listing that cannot be written is a failure, whether standard output is full or closed.
if [ -w /dev/full ]; then
  "$native_cli" list "$work/native.exe" >/dev/full 2>"$work/full.err"
  check "list into a full disk exits 1" test $? -eq 1
  check "list into a full disk says so" grep -q "cannot write to standard output" "$work/full.err"
fi
"$native_cli" list "$work/native.exe" >&- 2>"$work/closed.err"
check "list with standard output closed exits 1" test $? -eq 1

"$native_cli" extract "$work/native.exe" -d "$work/extracted" 2>"$work/extract.err"
check "extract exits 0" test $? -eq 0
check "extract gives the sample back byte for byte" diff -r "$book" "$work/extracted"

"$native_cli" build "$book" -o "$work/icon.exe" "${flags[@]}" \
  --icon tests/unit/icon_data/mixed.ico 2>"$work/icon.err"
check "a 32x32 16-colour icon replaces the real viewer's icon" test $? -eq 0
check "the icon changed only the icon image" \
  test "$(cmp -l "$work/native.exe" "$work/icon.exe" | wc -l)" -gt 0 -a \
       "$(cmp -l "$work/native.exe" "$work/icon.exe" | wc -l)" -le 744
"$native_cli" build "$book" -o "$work/bad-icon.exe" --icon tests/unit/icon_data/only256.ico \
  2>"$work/bad-icon.err"
check "an unsuitable icon fails with exit status 1" test $? -eq 1
check "an unsuitable icon gives the publisher's message" \
  grep -qx "Invalid or unsuitable .ico file. The icon file must contain 32x32 16-color image." \
  "$work/bad-icon.err"

"$native_cli" check "$book" >"$work/check.out" 2>"$work/check.err"
check "check finds nothing in the sample" test $? -eq 0 -a ! -s "$work/check.out"
check "check names the home page and what it read, nothing else" \
  diff "$work/check.err" <(printf '%s\n' "Home page: index.html" \
    "check: 7 files, 5 pages, 20 references: nothing to report")
"$native_cli" build "$book" -o "$work/home.exe" "${flags[@]:2}" 2>"$work/home.err"
check "a folder's index.html becomes the home page, said in one line" \
  test "$(cat "$work/home.err")" = "Home page: index.html"
check "without --home the sample builds the same e-book" cmp -s "$work/native.exe" "$work/home.exe"
"$native_cli" --version >"$work/version.txt"
check "--version names the program" grep -qx "pagevane-cli (Pagevane) [0-9.]*" "$work/version.txt"

# Progress shows on a terminal only: a build of a large site under a pseudo-terminal draws it,
# the same build with standard error in a file does not.
site=/usr/share/doc/python3.11/html
if [ -d "$site" ] && command -v script >/dev/null; then
  script -qec "'$native_cli' build '$site' -o '$work/site.exe'" /dev/null >"$work/tty.out" 2>&1
  check "a build on a terminal shows its progress" grep -q "of [0-9]* files, [0-9.]* MB" "$work/tty.out"
  "$native_cli" build "$site" -o "$work/site.exe" 2>"$work/notty.err"
  check "a build whose error stream is a file shows none" bash -c "! grep -q 'files,' '$work/notty.err'"
  script -qec "'$native_cli' build -q '$site' -o '$work/site.exe'" /dev/null >"$work/quiet.out" 2>&1
  check "-q silences the progress" test ! -s "$work/quiet.out"
else
  echo "skip: progress on a terminal (needs $site and script)"
fi

# The e-book whose start is tested: the one pagevane-cli.exe builds, or where only the 64-bit Wine
# runs, the same book on the x86_64 viewer (whose icon the icon step must also replace).
started=windows.exe
if [ $wine_bits = 64 ]; then
  for prog in "$anystub_cli" "$viewer64"; do
    if [ ! -e "$prog" ]; then echo "e2e: $prog is missing; build it first (make native win64)"; exit 1; fi
  done
  started=book64.exe
  "$anystub_cli" "$viewer64" build "$book" -o "$work/book64.exe" "${flags[@]}" 2>"$work/book64.err"
  check "an e-book on the x86_64 viewer builds" test $? -eq 0
  "$anystub_cli" "$viewer64" build "$book" -o "$work/icon64.exe" "${flags[@]}" \
    --icon tests/unit/icon_data/mixed.ico 2>"$work/icon64.err"
  check "the icon replaces the x86_64 viewer's icon" test $? -eq 0 -a ! -s "$work/icon64.err"
  check "the icon changed only the x86_64 viewer's icon image" \
    test "$(cmp -l "$work/book64.exe" "$work/icon64.exe" | wc -l)" -gt 0 -a \
         "$(cmp -l "$work/book64.exe" "$work/icon64.exe" | wc -l)" -le 744
fi

echo "== signed e-books"
if [ $wine_bits = 64 ]; then sign_start=$work/book64.exe; else sign_start=$work/native.exe; fi
# shellcheck source=tests/e2e/sign.sh
. tests/e2e/sign.sh

echo "== pagevane-cli.exe and the e-book under the $wine_bits-bit Wine"
# One Wine session for both programs (each session costs a fresh prefix): a batch file builds the
# book with the Windows command line, then starts the book's self-test and waits for it.
cp "$win_cli" "$work/pagevane-cli.exe"
{
  printf '@echo off\r\n'
  printf '"%s" build "%s" -o "%s"' "$(winpath "$work/pagevane-cli.exe")" "$(winpath "$book")" \
    "$(winpath "$work/windows.exe")"
  for f in "${flags[@]}"; do printf ' "%s"' "$f"; done
  printf ' 2> "%s"\r\n' "$(winpath "$work/win-build.err")"
  printf 'echo %%errorlevel%% > "%s"\r\n' "$(winpath "$work/win-build.rc")"
  printf '"%s" build "%s" -o "%s" --jobs 8' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$book")" "$(winpath "$work/windows-8.exe")"
  for f in "${flags[@]}"; do printf ' "%s"' "$f"; done
  printf '\r\n'
  printf '"%s" list "%s" > "%s" 2>&1\r\n' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$work/windows.exe")" "$(winpath "$work/win-list.txt")"
  printf '"%s" extract "%s" -d "%s" 2> "%s"\r\n' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$work/windows.exe")" "$(winpath "$work/win-extracted")" \
    "$(winpath "$work/win-extract.err")"
  printf 'echo %%errorlevel%% > "%s"\r\n' "$(winpath "$work/win-extract.rc")"
  printf '"%s" check "%s" > "%s" 2>&1\r\n' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$book")" "$(winpath "$work/win-check.txt")"
  printf 'echo %%errorlevel%% > "%s"\r\n' "$(winpath "$work/win-check.rc")"
  printf '"%s" --version > "%s"\r\n' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$work/win-version.txt")"
  printf '"%s" read "%s" 2> "%s"\r\n' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$work/windows.exe")" "$(winpath "$work/win-read.txt")"
  printf 'echo %%errorlevel%% > "%s"\r\n' "$(winpath "$work/win-read.rc")"
  printf 'start /wait "" "%s" --pv-selftest "%s"\r\n' "$(winpath "$work/$started")" \
    "$(winpath "$work/report.txt")"
  printf 'echo %%errorlevel%% > "%s"\r\n' "$(winpath "$work/selftest.rc")"
  printf '"%s" list "%s" > "%s" 2>&1\r\n' "$(winpath "$work/pagevane-cli.exe")" \
    "$(winpath "$work/sign/$unaligned-cli.exe")" "$(winpath "$work/win-signed-list.txt")"
  printf 'start /wait "" "%s" --pv-selftest "%s"\r\n' "$(winpath "$work/sign/signed-start.exe")" \
    "$(winpath "$work/report-signed.txt")"
  printf 'echo %%errorlevel%% > "%s"\r\n' "$(winpath "$work/selftest-signed.rc")"
  signtool_batch
} >"$work/run.bat"
# A crashing program must end at once rather than wait in Wine's debugger until the time-out.
WINEDLLOVERRIDES="winedbg.exe=d" PV_WINE_TIMEOUT=${PV_WINE_TIMEOUT:-180} bash scripts/wine-run.sh cmd /c "$(winpath "$work/run.bat")" \
  >"$work/wine.out" 2>&1
check "pagevane-cli.exe exits 0" grep -q '^0' "$work/win-build.rc"
check "pagevane-cli.exe prints no message" test ! -s "$work/win-build.err"
check "native and Windows command lines build byte-identical e-books" \
  cmp -s "$work/native.exe" "$work/windows.exe"

check "pagevane-cli.exe --jobs 8 builds the same bytes" \
  cmp -s "$work/native.exe" "$work/windows-8.exe"

check "pagevane-cli.exe lists what the native one lists" \
  diff <(tr -d '\r' <"$work/win-list.txt") "$work/list.txt"
check "pagevane-cli.exe extract exits 0" grep -q '^0' "$work/win-extract.rc"
check "pagevane-cli.exe extract gives the sample back byte for byte" \
  diff -r "$book" "$work/win-extracted"

check "pagevane-cli.exe check finds nothing in the sample" grep -q '^0' "$work/win-check.rc"
check "pagevane-cli.exe check prints what the native one prints" \
  diff <(tr -d '\r' <"$work/win-check.txt") "$work/check.err"
check "pagevane-cli.exe --version prints what the native one prints" \
  diff <(tr -d '\r' <"$work/win-version.txt") "$work/version.txt"
check "pagevane-cli.exe read says that the e-book is its own reader (exit 1)" \
  bash -c "grep -q '^1' '$work/win-read.rc' && grep -q 'the e-book is its own reader' '$work/win-read.txt'"
check "the e-book's self-test exits 0" grep -q '^0' "$work/selftest.rc"
report() { grep -qx "$1" "$work/report.txt"; }
check "the e-book reads its store" report "store=ok"
check "the e-book reads its title" report "title=Lights Along the Shore"
check "the e-book reads its file table" report "files=7"
check "the e-book's home page is index.html" report "home=index.html"
check "the e-book's page sequence holds the five pages" report "sequence=5"
check "pagevane-cli.exe lists a signed e-book as the native one does" \
  diff <(tr -d '\r' <"$work/win-signed-list.txt") "$work/sign/$unaligned-cli.exe.list"
check "the signed e-book's self-test exits 0" grep -q '^0' "$work/selftest-signed.rc"
check "the signed e-book reads its store" grep -qx "store=ok" "$work/report-signed.txt"
check "the signed e-book reads its file table" grep -qx "files=7" "$work/report-signed.txt"
signtool_checks

if [ $failures -ne 0 ]; then
  echo "e2e: $failures check(s) failed; Wine output:"
  sed 's/^/  /' "$work/wine.out" | tail -20
  [ -f "$work/report.txt" ] && sed 's/^/  report: /' "$work/report.txt"
  [ -s "$work/win-build.err" ] && sed 's/^/  pagevane-cli.exe: /' "$work/win-build.err"
  exit 1
fi
echo "e2e: all checks passed"
