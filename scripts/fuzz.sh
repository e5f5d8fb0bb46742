#!/usr/bin/env bash
# Builds the fuzz targets with clang 16 (libFuzzer, AddressSanitizer, UBSan) into build-fuzz/ and
# runs each for the given number of seconds, from its seeds in fuzz/corpus/ (the MP3 decoder's
# from the test speech). What a target finds is left in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

scripts/install-deps.sh --sanitize
BUILD_DIR=build-fuzz
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 \
  -DPARLINO_FUZZ=ON -DPARLINO_BUILD_TESTS=OFF -DPARLINO_BUILD_BENCHMARKS=OFF
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^parlino_add_fuzzer(\([A-Za-z0-9]*\).*/\1/p' fuzz/CMakeLists.txt)
fi
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target "${targets[@]}"

mkdir -p "$BUILD_DIR/findings" "$BUILD_DIR/audio"
[ -f "$BUILD_DIR/audio/speech.mp3" ] || scripts/make-test-audio.sh "$BUILD_DIR/audio" > /dev/null
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen
status=0
for target in "${targets[@]}"; do
  corpus="$BUILD_DIR/corpus/$target"
  mkdir -p "$corpus"
  if [ -d "fuzz/corpus/$target" ]; then cp -n "fuzz/corpus/$target"/* "$corpus"/; fi
  if [ "$target" = Mp3Fuzz ]; then
    head -c 4096 "$BUILD_DIR/audio/speech.mp3" > "$corpus/speech-start.mp3"
    head -c 4096 "$BUILD_DIR/audio/speech-untagged.mp3" > "$corpus/untagged-start.mp3"
  fi
  echo "fuzz: $target for ${seconds}s"
  if ! "$BUILD_DIR/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$BUILD_DIR/findings/$target-" \
      "$corpus" > "$BUILD_DIR/findings/$target.log" 2>&1; then
    echo "fuzz: $target found a fault: see $BUILD_DIR/findings/$target.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$BUILD_DIR/findings/$target.log" || true
done
exit "$status"
