#!/usr/bin/env bash
# Runs one Windows program under Wine so that it can never stall a test run:
#  - a fresh throwaway 32-bit WINEPREFIX, removed afterwards;
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

cleanup() {
  if [ -n "$shot_pid" ]; then kill "$shot_pid" 2>/dev/null || true; wait "$shot_pid" 2>/dev/null || true; fi
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
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

start_xvfb || exit 1
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
# Creating the prefix must not offer to install Mono or Gecko (there is no network).
WINEDLLOVERRIDES="mscoree=d;mshtml=d" timeout -k 5 120 wineboot -i >/dev/null 2>&1
WINEPREFIX="$prefix" timeout -k 5 60 wineserver -w >/dev/null 2>&1 || true
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

prog=$1; shift
if [ -n "${PV_WINE_SHOT:-}" ]; then
  (sleep "${PV_WINE_SHOT_AFTER:-10}" &&
    timeout 20 import -display "$DISPLAY" -window root "$PV_WINE_SHOT" >/dev/null 2>&1) &
  shot_pid=$!
fi
timeout -k 10 "$timeout_s" wine "$prog" "$@"
exit $?
