#!/usr/bin/env bash
# Shared by ./run and ./test: install what is missing, then configure and build.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

ensure_packages cmake ninja-build g++ ccache qt6-base-dev libgl-dev libgtest-dev fonts-dejavu-core

BUILD_DIR="${VANTREL_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
