#!/usr/bin/env bash
# Builds Velquarin and runs every test. Installs what is missing on Debian 12.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-deps.sh
BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR" -j "$(nproc)"
cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest -j "$(nproc)" --output-on-failure "$@"
