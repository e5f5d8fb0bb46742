#!/usr/bin/env bash
# Configures and builds Parlino into build/ (or $PARLINO_BUILD_DIR): every target, or only
# $PARLINO_BUILD_TARGET and what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${PARLINO_BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$BUILD_DIR" --parallel "$(nproc)" ${PARLINO_BUILD_TARGET:+--target "$PARLINO_BUILD_TARGET"}
