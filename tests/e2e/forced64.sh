#!/usr/bin/env bash
# Checks, inside the forced 64-bit mode (scripts/test.sh with PV_WINE64=1, which runs the tests
# under tests/support/refuse32), that this machine now refuses 32-bit programs as a kernel without
# 32-bit support does, and shows how each one is refused:
#  1. the 32-bit Wine loader, started by its name;
#  2. a statically linked 32-bit Linux program (a 91-byte one that only exits, written here);
#  3. a 32-bit Windows program handed to the 64-bit Wine (which would pass it to the 32-bit one);
# while the 64-bit Wine still runs a 64-bit Windows program.
set -u
cd "$(dirname "$0")/../.."
if [ -z "${PV_REFUSING_32:-}" ]; then
  echo "forced64: run me through scripts/test.sh with PV_WINE64=1" >&2
  exit 1
fi
work=$(mktemp -d /tmp/pv-forced64.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
# refused WHAT STATUS TEXT COMMAND...: the command must be refused in the one way a kernel without
# 32-bit support refuses it: exit status STATUS and TEXT in its output. Any other failure (127
# for a loader that is not there, a crash) is no proof and fails the check.
refused() {
  local what=$1 status=$2 text=$3; shift 3
  echo "\$ $*"
  "$@" >"$work/out" 2>&1
  local rc=$?
  sed 's/^/  /' "$work/out" | head -5
  if [ $rc -eq "$status" ] && grep -qF "$text" "$work/out"; then
    echo "ok:   $what is refused (exit $rc: $text)"
  elif [ $rc -eq 0 ]; then
    echo "FAIL: $what started"; failures=$((failures + 1))
  else
    echo "FAIL: $what failed otherwise than refused (exit $rc, not $status with \"$text\")"
    failures=$((failures + 1))
  fi
}
exec_format="cannot execute binary file: Exec format error"

refused "the 32-bit Wine loader" 126 "/usr/lib/wine/wine: $exec_format" /usr/lib/wine/wine --version

# An i386 ELF program: ELF header, one loadable segment, then
#   xor ebx, ebx; xor eax, eax; inc eax; int 0x80   (exit(0))
python3 - "$work/exit32" <<'PY'
import struct, sys
base, code = 0x08048000, bytes.fromhex('31db31c040cd80')
size = 52 + 32 + len(code)
elf = b'\x7fELF\x01\x01\x01' + bytes(9)
elf += struct.pack('<HHIIIIIHHHHHH', 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
elf += struct.pack('<IIIIIIII', 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], 'wb').write(elf + code)
PY
chmod +x "$work/exit32"
# Ended by the seccomp filter at its first system call: SIGSYS, which a shell reports as "Bad
# system call" and exit status 128 + 31.
refused "a statically linked 32-bit program" 159 "Bad system call" \
  bash -c '"$0"; exit $?' "$work/exit32"

win32_cli=build/win/cli/pagevane-cli.exe
win64_cli=build/win64/cli/pagevane-cli.exe
if [ -e "$win32_cli" ]; then
  # The 64-bit Wine hands the program to the 32-bit loader, which is refused; the start then
  # fails with status 1.
  refused "a 32-bit Windows program under the 64-bit Wine" 1 "/usr/lib/wine/wine: $exec_format" \
    env PV_WINE_ARCH=win64 PV_WINE_TIMEOUT=60 bash scripts/wine-run.sh "$win32_cli" --version
fi
if [ -e "$win64_cli" ]; then
  echo "\$ scripts/wine-run.sh $win64_cli --version"
  out=$(PV_WINE_TIMEOUT=60 bash scripts/wine-run.sh "$win64_cli" --version 2>&1)
  rc=$?
  echo "  $out"
  expected="pagevane-cli (Pagevane) $(sed -nE 's/^#define PV_VERSION_TEXT "([^"]+)"$/\1/p' platform/Version.h)"
  if [ $rc -eq 0 ] && [ "$(printf '%s' "$out" | tr -d '\r')" = "$expected" ]; then
    echo "ok:   the 64-bit Wine runs a 64-bit Windows program"
  else
    echo "FAIL: the 64-bit Wine did not run $win64_cli (exit $rc; expected \"$expected\")"
    failures=$((failures + 1))
  fi
fi
[ $failures -eq 0 ]
