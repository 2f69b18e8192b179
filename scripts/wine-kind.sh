#!/usr/bin/env bash
# Says which Wine runs the Windows tests on this machine: prints "32" or "64".
#  32: the kernel starts 32-bit programs, so Debian's 32-bit Wine runs the shipped i686 programs.
#  64: it does not (every 32-bit ELF program fails with "Exec format error"), or PV_WINE64=1 asks
#      for it: the same sources are built for x86_64 (build/win64) and run under wine64.
# The answer comes from trying: the 32-bit Wine loader (or, before it is installed, the 32-bit
# dynamic loader) is started once.
if [ "${PV_WINE64:-0}" = 1 ]; then echo 64; exit 0; fi
for loader in /usr/lib/wine/wine /lib/ld-linux.so.2; do
  if [ -x "$loader" ]; then
    if "$loader" --version >/dev/null 2>&1; then echo 32; else echo 64; fi
    exit 0
  fi
done
echo 64
