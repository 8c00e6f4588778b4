#!/usr/bin/env bash
# Builds Vorlix a second time with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-sanitize/ and runs every test there; with clang, also a bounded
# run of the fuzz target. Benchmarks are left out of this build.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh" --test
if command -v clang++ >/dev/null; then
  compiler=(-DCMAKE_CXX_COMPILER=clang++ -DVORLIX_FUZZ=ON)
else
  compiler=(-DCMAKE_CXX_COMPILER=g++ -DVORLIX_FUZZ=OFF)
fi
cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORLIX_SANITIZE=ON -DVORLIX_BUILD_BENCH=OFF "${compiler[@]}" >/dev/null
cmake --build "$root/build-sanitize" -j"$(nproc)"
cd "$root/build-sanitize"
# Any report fails the test that made it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
ctest --output-on-failure -j"$(nproc)"
