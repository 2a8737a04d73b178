#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, runs the platform, simulator
# and driver tests again under ThreadSanitizer, then builds the fuzz targets
# with clang and replays their corpora. Warnings are errors in every build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIX_SANITIZE=ON -DVORNIX_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIX_TSAN=ON -DVORNIX_WERROR=ON \
  -DVORNIX_VIEWER=OFF -DVORNIX_BENCH=OFF
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 600

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNIX_SANITIZE=ON -DVORNIX_FUZZ=ON -DVORNIX_VIEWER=OFF -DVORNIX_BENCH=OFF -DVORNIX_WERROR=ON
cmake --build build-fuzz -j "$jobs"
ctest --test-dir build-fuzz --output-on-failure -j "$jobs" --timeout 600
