#!/usr/bin/env bash
# Takes the README's pictures of the publisher again (docs/content.png, docs/create.png): runs the
# Windows build's readme_pictures.exe (tests/win32/readme) under Wine through scripts/wine-run.sh,
# which shows the wizard with the sample book and saves the wizard's window as BMP files, and turns
# those into the PNG files. Run after `make win` (make readme-pictures does both) on a machine
# that starts 32-bit programs; look at the pictures before committing them.
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
