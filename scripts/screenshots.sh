#!/usr/bin/env bash
# The pictures of the viewer in README.md (`make screenshots`): the sample e-book under Wine in
# the light and in the dark colours (the reader's choice, set in each run's own registry), each
# cropped to the window. This Wine has no web engine, so the page area holds the viewer's message
# in place of the page. Needs the native command line (`make native`) and a Wine that starts
# 32-bit programs. Writes docs/viewer-light.png and docs/viewer-dark.png.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -x build/native/cli/pagevane-cli ]; then
  echo "screenshots: build/native/cli/pagevane-cli is missing; run 'make native' first" >&2
  exit 1
fi
if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then
  echo "screenshots: this machine cannot start the 32-bit viewer" >&2
  exit 1
fi
work=build/screenshots
mkdir -p "$work"
# The sample book in a window of its own size, not maximised, where the picture crops it.
book=$work/lighthouses.exe
build/native/cli/pagevane-cli build examples/lighthouses -o "$book" -q --home index.html \
  --title "Lights Along the Shore" --option SearchButton=1 --option StartMaximized=0
left=20 top=20 width=860 height=600
for colours in light dark; do
  cat >"$work/$colours.reg" <<REG
[Software\\\\Tessaly\\\\Pagevane Viewer] 1700000000
"Colours"="$colours"

[Software\\\\Tessaly\\\\Pagevane Viewer\\\\lighthouses.exe] 1700000000
"Placement"="0 $left $top $((left + width)) $((top + height))"
REG
  rm -f "$work/$colours-screen.png"
  # The viewer runs until the time limit; the picture is taken while it shows.
  PV_WINE_USER_REG="$work/$colours.reg" PV_WINE_TIMEOUT=25 PV_WINE_SHOT_AFTER=12 \
    PV_WINE_SHOT="$work/$colours-screen.png" scripts/wine-run.sh "$book" || true
  if [ ! -s "$work/$colours-screen.png" ]; then
    echo "screenshots: no picture of the $colours viewer was taken" >&2
    exit 1
  fi
  convert "$work/$colours-screen.png" -crop "${width}x${height}+$left+$top" +repage \
    "docs/viewer-$colours.png"
  echo "docs/viewer-$colours.png"
done
