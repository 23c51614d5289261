#!/bin/sh
# Builds kalmitor, its watchdog kalwatch and the stock program's converter
# dbf2txt (Release, in build-run/) and starts kalmitor in the console on a
# working copy of the default install directory data/, into which dbf2txt is
# copied.
#
#   tools/run.sh [directory]
#
# The working copy is ./run-data unless a directory is given; an existing one
# is used as it is, so the data entered stays from run to run.  The server
# listens on port 3522 of every address; stop it with Ctrl-C.
set -e
cd "$(dirname "$0")/.."
JOBS=$(nproc 2>/dev/null || echo 2)
DIR=${1:-run-data}
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=Release -DKAL_TESTS=OFF -DKAL_BENCH=OFF
cmake --build build-run -j "$JOBS" --target kalmitor kalwatch dbf2txt
if [ ! -e "$DIR" ]; then
  cp -R data "$DIR"
  echo "New install directory $DIR made from data/"
fi
cp build-run/dbf2txt "$DIR/dbf2txt"
DIR=$(cd "$DIR" && pwd)
echo "KALMITOR: open http://localhost:3522/ in a browser (install directory $DIR)"
exec build-run/kalmitor -console "Install_Dir=$DIR" HttpPort=3522
