#!/usr/bin/env bash
# Installs what building and testing need (with the private desktop the end-to-end tests run in),
# builds with warnings as errors, and runs every test suite.
# Usage: scripts/test.sh [--sanitize]
#   --sanitize  builds with clang-16 under AddressSanitizer and UndefinedBehaviorSanitizer into
#               build-asan/ (or $PARLINO_BUILD_DIR) and runs the same suites there; any finding
#               fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."

configure=(-DPARLINO_WERROR=ON)
deps=(--test)
case "${1:-}" in
"") BUILD_DIR="${PARLINO_BUILD_DIR:-build}" ;;
--sanitize)
  BUILD_DIR="${PARLINO_BUILD_DIR:-build-asan}"
  deps=(--sanitize)
  export CC=clang-16 CXX=clang++-16
  # Light optimisation and line tables only: quicker to build, and stacks still name each line.
  configure+=(-DPARLINO_SANITIZE=ON -DPARLINO_BUILD_BENCHMARKS=OFF
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG")
  export ASAN_OPTIONS="detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=0"
  export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-16/bin/llvm-symbolizer
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  ;;
*)
  echo "usage: scripts/test.sh [--sanitize]" >&2
  exit 2
  ;;
esac
export PARLINO_BUILD_DIR="$BUILD_DIR"

scripts/install-deps.sh "${deps[@]}"
scripts/build.sh "${configure[@]}"
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 300 --label-exclude e2e
# The end-to-end tests share one private desktop session and its keyboard: one at a time.
scripts/ci-services.sh ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 300 --label-regex e2e
