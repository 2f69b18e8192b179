#!/usr/bin/env bash
# Installs what Pagevane needs on a Debian 12 machine; does nothing when all of it is present.
set -euo pipefail

packages=(
  cmake make g++ ninja-build pkg-config git
  zlib1g-dev googletest libgtest-dev libgmock-dev libbenchmark-dev libgumbo-dev
  clang clang-format libclang-rt-14-dev
  g++-mingw-w64-i686 libz-mingw-w64-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 fonts-wine
  wine wine32 xvfb x11-utils imagemagick icoutils
  zip unzip python3 osslsigncode openssl locales
  libmicrohttpd-dev chromium fonts-font-awesome
  # Documentation sites of five generators, on which the contents finder is tested: Sphinx,
  # DocBook XSL, Texinfo, MkDocs, Doxygen (small downloads).
  python-jinja2-doc maint-guide m4-doc mkdocs-doc libjsoncpp-doc
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_i386=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# wine32 is an i386 package
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  missing+=("wine32:i386")
fi

if [ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ]; then
  echo "bootstrap: everything is installed"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
