#!/usr/bin/env bash
# Installs what building and running need (not the test desktop), builds the application (no
# tests, no benchmarks), and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
PARLINO_BUILD_TARGET=parlino scripts/build.sh
exec "${PARLINO_BUILD_DIR:-build}/src/Parlino/parlino" "$@"
