#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors, and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DPARLINO_WERROR=ON
BUILD_DIR="${PARLINO_BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 300 --label-exclude e2e
# The end-to-end tests share one private desktop session and its keyboard: one at a time.
scripts/ci-services.sh ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 300 --label-regex e2e
