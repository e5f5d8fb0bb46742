#!/usr/bin/env bash
# Installs what is needed, builds, and starts Parlino.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec "${PARLINO_BUILD_DIR:-build}/src/Parlino/parlino" "$@"
