#!/usr/bin/env bash
# Runs one Windows program under Wine so that it can never stall a test run:
#  - a fresh throwaway WINEPREFIX (a copy of a booted template, see below), removed afterwards:
#    32-bit (WINEARCH=win32, the 32-bit Wine) for a PE32 program, 64-bit (WINEARCH=win64,
#    Debian's wine64) for a PE32+ one; a program that is no file (such as cmd) gets the kind
#    scripts/wine-kind.sh names, or PV_WINE_ARCH (win32 or win64) when set;
#  - its own Xvfb display on a free number;
#  - a time limit (PV_WINE_TIMEOUT seconds, default 300) on the program;
#  - everything it started (wineserver, Xvfb) ended by PID when it is done.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]   (exit status: the program's, 124 on time-out)
# PV_WINE_SHOT=FILE.png takes a screenshot of the display PV_WINE_SHOT_AFTER seconds (default 10)
# after the program started, while it runs: a way to look at a program's windows, for example
#   PV_WINE_TIMEOUT=20 PV_WINE_SHOT=book.png scripts/wine-run.sh out/lighthouses.exe
# (the tests take their own screenshots in-process).
set -u

timeout_s=${PV_WINE_TIMEOUT:-300}
prefix=$(mktemp -d /tmp/pv-wine.XXXXXX)
xvfb_pid=""
shot_pid=""

here=$(cd "$(dirname "$0")" && pwd)

# The prefix kind from the program's PE header: the optional header's magic is 0x20B for PE32+.
pe_arch() {
  python3 - "$1" <<'PY' 2>/dev/null
import struct, sys
with open(sys.argv[1], 'rb') as f:
    lfanew = struct.unpack('<I', f.read(64)[60:64])[0]
    f.seek(lfanew)
    nt = f.read(26)
if len(nt) < 26 or nt[:4] != b'PE\0\0':
    sys.exit(1)
print('win64' if struct.unpack_from('<H', nt, 24)[0] == 0x20B else 'win32')
PY
}
arch=${PV_WINE_ARCH:-}
if [ -z "$arch" ] && [ -f "$1" ]; then arch=$(pe_arch "$1"); fi
if [ -z "$arch" ]; then
  if [ "$(bash "$here/wine-kind.sh")" = 64 ]; then arch=win64; else arch=win32; fi
fi
if [ "$arch" = win64 ]; then
  # /usr/bin/wine and wineboot go through the 32-bit loader whenever wine32 is installed, which
  # a kernel without 32-bit support cannot start: call the 64-bit binaries themselves.
  wine=/usr/lib/wine/wine64
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  wineserver=/usr/lib/wine/wineserver64
else
  wine=wine
  wineserver=wineserver
fi

cleanup() {
  if [ -n "$shot_pid" ]; then kill "$shot_pid" 2>/dev/null || true; wait "$shot_pid" 2>/dev/null || true; fi
  WINEPREFIX="$prefix" "$wineserver" -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$prefix"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A free display: numbers whose lock file does not exist; Xvfb itself refuses a taken one.
start_xvfb() {
  local n
  for n in $(seq $((100 + RANDOM % 400)) 600); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then export DISPLAY=":$n"; return 0; fi
      if ! kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  done
  echo "wine-run: no free X display" >&2
  return 1
}

# Makes a new prefix in $1 with wineboot and waits until its registry is written out. It must not
# offer to install Mono or Gecko (there is no network).
boot_prefix() {
  WINEPREFIX="$1" WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=d;mshtml=d" \
    timeout -k 5 120 "$wine" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$1" timeout -k 5 60 "$wineserver" -w >/dev/null 2>&1 || true
}

# wineboot takes 10-15 s; a copy of a prefix it made takes a second. So the first run of a kind
# of prefix boots one into a template kept in /tmp/pv-wine-templates-UID (owner-only; beside the
# prefixes, so that hard links reach), named after everything that shapes it: the kind, whether
# 32-bit programs are being refused, Wine's version and its wine.inf. Each run starts from a copy
# of it: the program files (about 530 MB of DLLs and EXEs that nothing here writes to)
# hard-linked, every other file (registry, .ini files, manifests) copied, so that what a run
# changes stays in its own prefix. PV_WINE_TEMPLATE=0 boots every prefix afresh instead.
template_for() {
  local root key dir
  root=/tmp/pv-wine-templates-$(id -u)
  mkdir -p -m 700 "$root" 2>/dev/null
  # A folder someone else made or links elsewhere is not ours to trust.
  if [ -L "$root" ] || [ ! -d "$root" ] || [ ! -O "$root" ]; then return 1; fi
  key=$( { echo "$arch ${PV_REFUSING_32:-} recipe 1"; "$wine" --version 2>/dev/null
           stat -c %Y /usr/share/wine/wine.inf 2>/dev/null; } | md5sum | cut -c1-16)
  dir="$root/$arch-$key"
  (
    flock 9
    if [ ! -f "$dir/.pv-complete" ]; then
      rm -rf "$dir.new"
      mkdir -p "$dir.new" && boot_prefix "$dir.new" && [ -f "$dir.new/system.reg" ] &&
        touch "$dir.new/.pv-complete" && rm -rf "$dir" && mv "$dir.new" "$dir"
    fi
  ) 9>"$root/$arch-$key.lock"
  [ -f "$dir/.pv-complete" ] && echo "$dir"
}

# Copies prefix $1 into the empty folder $2 as said above.
copy_prefix() {
  python3 - "$1" "$2" <<'PY'
import os, shutil, sys
src, dst = sys.argv[1], sys.argv[2]
programs = ('.dll', '.exe', '.drv', '.sys', '.ocx', '.cpl', '.acm', '.tlb', '.vxd', '.nls', '.ax')
for here, dirs, files in os.walk(src):
    rel = os.path.relpath(here, src)
    out = os.path.join(dst, rel) if rel != '.' else dst
    for d in dirs:
        s, o = os.path.join(here, d), os.path.join(out, d)
        if os.path.islink(s):
            os.symlink(os.readlink(s), o)
        else:
            os.mkdir(o)
            shutil.copystat(s, o)
    for f in files:
        s, o = os.path.join(here, f), os.path.join(out, f)
        if rel == '.' and f in ('.pv-complete', 'wineserver'):
            continue
        if os.path.islink(s):
            os.symlink(os.readlink(s), o)
            continue
        if f.lower().endswith(programs):
            try:
                os.link(s, o)
                continue
            except OSError:
                pass
        shutil.copy2(s, o)
PY
}

start_xvfb || exit 1
template=""
if [ "${PV_WINE_TEMPLATE:-1}" != 0 ]; then template=$(template_for); fi
if [ -z "$template" ] || ! copy_prefix "$template" "$prefix"; then
  rm -rf "$prefix" && mkdir -p "$prefix"
  boot_prefix "$prefix"
fi
export WINEPREFIX="$prefix" WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
# Windows run inside a Wine desktop of the display's size rather than as X windows of their own:
# with no window manager on the display, X would keep a maximised window at its old size, while
# on the Wine desktop maximising, full screen and focus behave as they do on Windows.
# PV_WINE_DESKTOP=0 turns this off.
if [ "${PV_WINE_DESKTOP:-1}" != 0 ]; then
  cat >>"$prefix/user.reg" <<'REG'

[Software\\Wine\\Explorer] 1700000000
"Desktop"="Default"

[Software\\Wine\\Explorer\\Desktops] 1700000000
"Default"="1280x1024"
REG
fi

# PV_WINE_USER_REG=FILE adds FILE's keys (user.reg's own format) to the user's registry of the
# run, for settings a program should find at its start (the viewer's colours for a picture).
if [ -n "${PV_WINE_USER_REG:-}" ]; then
  { echo; cat "$PV_WINE_USER_REG"; } >>"$prefix/user.reg"
fi

prog=$1; shift
if [ -n "${PV_WINE_SHOT:-}" ]; then
  (sleep "${PV_WINE_SHOT_AFTER:-10}" &&
    timeout 20 import -display "$DISPLAY" -window root "$PV_WINE_SHOT" >/dev/null 2>&1) &
  shot_pid=$!
fi
timeout -k 10 "$timeout_s" "$wine" "$prog" "$@"
exit $?
