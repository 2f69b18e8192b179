#!/usr/bin/env bash
# Remakes the test icons from the pictures beside this script (icotool from icoutils).
#   mixed.ico    16x16 16-colour, 32x32 16-colour (744 bytes), 48x48 256-colour
#   two.ico      two 32x32 16-colour images (the first differs from the second)
#   only256.ico  one 32x32 256-colour image
#   only16px.ico one 16x16 16-colour image
set -euo pipefail
cd "$(dirname "$0")"
icotool -c -o mixed.ico -b 4 p16.png -b 4 p32.png -b 8 p48.png
icotool -c -o two.ico -b 4 q32.png -b 4 p32.png
icotool -c -o only256.ico -b 8 g32.png
icotool -c -o only16px.ico -b 4 p16.png
