#!/usr/bin/env bash
# Builds the sample e-book with the native command line (run by `make sample` after the native
# build) and says where it is and how to open it.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${PV_CLI:-build/native/cli/pagevane-cli}
book=lighthouses
out=out/$book.exe

if [ ! -x "$cli" ]; then
  echo "sample: $cli is missing; run 'make native' first" >&2
  exit 1
fi
mkdir -p out
"$cli" build "examples/$book" -o "$out" \
  --home index.html \
  --title "Lights Along the Shore" \
  --author "The Pagevane sample" \
  --copyright "Written for the Pagevane project" \
  --about $'A small sample book: a home page, three chapters in a sub-folder,\na picture and a style sheet.' \
  --option SearchButton=1

echo
echo "The sample e-book is $(pwd)/$out ($(stat -c %s "$out") bytes)."
echo "Its contents:      $cli list $out"
echo "Its files:         $cli extract $out -d DIR"
echo "Read it here:      $cli read $out   (in this machine's browser; Ctrl+C stops)"
# The e-book and the publisher are 32-bit Windows programs: only a Wine that can start 32-bit
# programs opens them here.
if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then
  echo "This machine cannot start 32-bit programs, so the e-book (a 32-bit Windows program)"
  echo "does not open here: open it on Windows, or on a machine whose Wine runs 32-bit programs."
  echo "Here, read it with the commands above."
else
  echo "Open it on Linux:  wine $out"
  echo "(or copy it to a Windows machine and run it there)"
fi
echo
publisher=build/win/publisher/Pagevane.exe
if [ -e "$publisher" ]; then
  echo "The publisher, the program an author uses, is $(pwd)/$publisher."
  if [ "$(bash scripts/wine-kind.sh)" = 64 ]; then
    echo "It is a 32-bit program too: 'make win64' builds its 64-bit twin, which starts here with"
    echo "                   scripts/wine-run.sh build/win64/publisher/Pagevane.exe"
  else
    echo "Start it:          scripts/wine-run.sh $publisher   (its own Wine prefix and virtual display;"
    echo "                   add PV_WINE_SHOT=shot.png to see it), or wine $publisher on your display"
  fi
fi
