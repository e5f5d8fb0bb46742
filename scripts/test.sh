#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors, and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DPARLINO_WERROR=ON
BUILD_DIR="${PARLINO_BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 300
