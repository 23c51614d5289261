#!/bin/sh
# Installs the Debian packages the build, the program and the tests need.
set -e
PKGS="g++ cmake make pkg-config libsodium-dev libgtest-dev libgmock-dev libbenchmark-dev python3 python3-num2words"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
fi
