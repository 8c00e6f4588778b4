#!/usr/bin/env bash
# Installs what is missing, builds Vorlix and starts the editor.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target vorlix -j"$(nproc)"
exec "$root/build/src/vorlix"
