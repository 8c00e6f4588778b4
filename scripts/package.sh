#!/usr/bin/env bash
# Builds the Debian package of Vorlix: installs what is missing, builds the
# program (nothing else) and writes build/vorlix_<version>_<arch>.deb, whose
# dependencies are read from the program's libraries.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh" --package
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target vorlix -j"$(nproc)"
cd "$root/build"
cpack -G DEB
ls -1 "$root"/build/vorlix_*.deb
