#!/usr/bin/env bash
# Writes the download for Windows users: out/pagevane-<version>-win32.zip holding Pagevane.exe,
# pagevane-cli.exe, the sample book and a short text, all under pagevane-<version>/.
# Reproducible: the same programs and files give the same bytes (names in sorted order, one
# fixed timestamp, fixed attributes). Needs build/win (make win).
set -eu
cd "$(dirname "$0")/.."
# The version comes from platform/Version.h, the one place that defines it.
version=$(sed -nE 's/^#define PV_VERSION_TEXT "([^"]+)"$/\1/p' platform/Version.h)
[ -n "$version" ] || { echo "dist: platform/Version.h defines no PV_VERSION_TEXT" >&2; exit 1; }
win=${PV_DIST_WIN_BUILD:-build/win}
out=${PV_DIST_OUT:-out/pagevane-$version-win32.zip}
for f in "$win/publisher/Pagevane.exe" "$win/cli/pagevane-cli.exe"; do
  [ -e "$f" ] || { echo "dist: $f is missing; build it first (make win)" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"
python3 - "$version" "$win" "$out" <<'PY'
import os, sys, zipfile

version, win, out = sys.argv[1:4]
top = 'pagevane-%s/' % version
stamp = (2026, 1, 1, 0, 0, 0)

readme = """Pagevane %s for Windows

Pagevane turns a folder holding a small web site into one self-contained e-book program.

Start Pagevane.exe (a double click). On the Content page press "New Project..." and choose
the folder of your book, for example examples\\lighthouses from this zip; set the page order,
then press Next for the viewer's look and Next again for the book's texts. "Create E-Book"
writes the e-book, "Run E-Book" opens it.

pagevane-cli.exe does the same from a command prompt: "pagevane-cli --help" lists its
commands, for example
    pagevane-cli build examples\\lighthouses -o lighthouses.exe --title "Lights"

To sign an e-book (so that Windows shows who made it), get a code-signing certificate and
either osslsigncode for Windows:
    pagevane-cli sign lighthouses.exe --cert cert.pem --key key.pem
or the Windows SDK's signtool.exe, which takes certificate and key in one .pfx file:
    pagevane-cli sign lighthouses.exe --cert cert.pfx --signer signtool.exe
A self-signed certificate (openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem
-out cert.pem -days 30 -subj /CN=Test) is enough to try it, but only a certificate from an
authority Windows trusts earns the trust of SmartScreen. Rebuilding an e-book unsigns it.

Pagevane keeps the last folders and your author details in the registry, under
HKEY_CURRENT_USER\\Software\\Tessaly\\Pagevane\\Options. Nothing else is written outside the
files you choose. To forget them, delete that key.
""" % version

entries = [(top + 'Pagevane.exe', os.path.join(win, 'publisher', 'Pagevane.exe')),
           (top + 'pagevane-cli.exe', os.path.join(win, 'cli', 'pagevane-cli.exe'))]
for root, dirs, files in os.walk('examples/lighthouses'):
    dirs.sort()
    for name in files:
        path = os.path.join(root, name)
        entries.append((top + path.replace(os.sep, '/'), path))
entries.sort()

tmp = out + '.tmp'
with zipfile.ZipFile(tmp, 'w', zipfile.ZIP_DEFLATED) as z:
    def add(name, data):
        info = zipfile.ZipInfo(name, stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS: no Unix permissions in the archive
        info.external_attr = 0
        z.writestr(info, data)
    add(top + 'README.txt', readme.replace('\n', '\r\n').encode('ascii'))
    for name, path in entries:
        with open(path, 'rb') as f:
            add(name, f.read())
os.replace(tmp, out)
PY
echo "dist: $out"
