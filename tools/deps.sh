#!/bin/sh
# Installs the Debian packages the build, the program and the tests need.
# One package a line, so that additions merge cleanly.
set -e
PKGS="
g++
cmake
make
pkg-config
libsodium-dev
libgtest-dev
libgmock-dev
libbenchmark-dev
python3
locales
fonts-urw-base35
fonts-linuxlibertine
python3-fonttools
python3-pil
qpdf
poppler-utils
zbar-tools
python3-num2words
chromium
python3-dbf
python3-dbfread
"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
fi
