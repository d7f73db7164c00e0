#!/usr/bin/env bash
# The set-up of ./run: install what the program needs, configure, and build
# the program and the simulated device only (./test builds the rest).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

ensure_packages "${RUN_PACKAGES[@]}"

BUILD_DIR="${VANTREL_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target vantrel vantrel-simdev
