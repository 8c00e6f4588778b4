#!/usr/bin/env bash
# Installs what is missing, builds Vorlix and runs every test: the unit and
# widget tests offscreen, and the real program under a virtual X server.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh" --test
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)"
