#!/usr/bin/env bash
# Takes the README's pictures again.
#  - The publisher (docs/content.png, docs/create.png): runs the Windows build's
#    readme_pictures.exe (tests/win32/readme) under Wine through scripts/wine-run.sh, which shows
#    the wizard with the sample book and saves the wizard's window as BMP files, and turns those
#    into the PNG files.
#  - The viewer in its light and dark colours (docs/viewer-light.png, docs/viewer-dark.png): the
#    sample e-book, built by the native command line, runs under Wine with the reader's choice of
#    colours and its window's place set in the run's own registry, and a picture of the display
#    is cropped to the window. This Wine has no web engine: the page area holds the viewer's
#    message in place of the page.
# Run after `make win native` (make readme-pictures does both) on a machine that starts 32-bit
# programs; look at the pictures before committing them.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd -P)
exe=build/win/tests/win32/readme_pictures.exe
if [ ! -x "$exe" ]; then
  echo "readme-pictures: $exe is missing; run 'make win' first" >&2
  exit 1
fi
work=build/win/readme-pictures
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && PV_SOURCE_DIR="Z:$root" PV_WINE_TIMEOUT=120 bash "$root/scripts/wine-run.sh" "$root/$exe")
for name in content create; do
  convert "$work/publisher-readme-$name.bmp" "PNG8:docs/$name.png"
  echo "readme-pictures: docs/$name.png"
done

cli=build/native/cli/pagevane-cli
if [ ! -x "$cli" ]; then
  echo "readme-pictures: $cli is missing; run 'make native' first" >&2
  exit 1
fi
# The sample book in a window of its own size, not maximised, where the picture crops it, with its
# contents pane open.
book=$work/lighthouses.exe
"$cli" build examples/lighthouses -o "$book" -q --home index.html \
  --title "Lights Along the Shore" --option SearchButton=1 --option StartMaximized=0
left=20 top=20 width=860 height=600
for colours in light dark; do
  cat >"$work/$colours.reg" <<REG
[Software\\\\Tessaly\\\\Pagevane Viewer] 1700000000
"Colours"="$colours"

[Software\\\\Tessaly\\\\Pagevane Viewer\\\\lighthouses.exe] 1700000000
"Placement"="0 $left $top $((left + width)) $((top + height))"
"Contents"="1"
REG
  # The viewer runs until the time limit; the picture is taken while it shows.
  PV_WINE_USER_REG="$work/$colours.reg" PV_WINE_TIMEOUT=25 PV_WINE_SHOT_AFTER=12 \
    PV_WINE_SHOT="$work/viewer-$colours-screen.png" bash scripts/wine-run.sh "$book" || true
  if [ ! -s "$work/viewer-$colours-screen.png" ]; then
    echo "readme-pictures: no picture of the $colours viewer was taken" >&2
    exit 1
  fi
  convert "$work/viewer-$colours-screen.png" -crop "${width}x${height}+$left+$top" +repage \
    "PNG8:docs/viewer-$colours.png"
  echo "readme-pictures: docs/viewer-$colours.png"
done
