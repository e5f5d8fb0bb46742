#!/usr/bin/env bash
# Builds the fuzz targets with clang 16 (libFuzzer, AddressSanitizer, UBSan) into build-fuzz/ and
# runs each for the given number of seconds, FUZZ_JOBS targets at a time (default 1), from its
# seeds in fuzz/corpus/ (the MP3 decoder's from the test speech) and with fuzz/<Target>.dict where
# there is one. What a target finds is left in build-fuzz/findings/, beside each target's log.
# Usage: [FUZZ_JOBS=n] scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
jobs="${FUZZ_JOBS:-1}"

scripts/install-deps.sh --sanitize
BUILD_DIR=build-fuzz
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 "${launcher[@]}" \
  -DPARLINO_FUZZ=ON -DPARLINO_BUILD_TESTS=OFF -DPARLINO_BUILD_BENCHMARKS=OFF > /dev/null
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^parlino_add_fuzzer(\([A-Za-z0-9]*\).*/\1/p' fuzz/CMakeLists.txt)
fi
nice cmake --build "$BUILD_DIR" --parallel 4 --target "${targets[@]}"

mkdir -p "$BUILD_DIR/findings" "$BUILD_DIR/audio"
[ -f "$BUILD_DIR/audio/speech.mp3" ] || scripts/make-test-audio.sh "$BUILD_DIR/audio" > /dev/null
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen

# Runs one target; prints its verdict and statistics when it ends.
run() {
  local target="$1" corpus="$BUILD_DIR/corpus/$1" log="$BUILD_DIR/findings/$1.log"
  mkdir -p "$corpus"
  if [ -d "fuzz/corpus/$target" ]; then cp -n "fuzz/corpus/$target"/* "$corpus"/; fi
  if [ "$target" = Mp3Fuzz ]; then
    head -c 4096 "$BUILD_DIR/audio/speech.mp3" > "$corpus/speech-start.mp3"
    head -c 4096 "$BUILD_DIR/audio/speech-untagged.mp3" > "$corpus/untagged-start.mp3"
  fi
  local options=(-max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048
    -print_final_stats=1 -artifact_prefix="$BUILD_DIR/findings/$target-")
  if [ -f "fuzz/$target.dict" ]; then options+=(-dict="fuzz/$target.dict"); fi
  local verdict="ran ${seconds}s without a finding"
  if ! nice "$BUILD_DIR/fuzz/$target" "${options[@]}" "$corpus" > "$log" 2>&1; then
    verdict="found a fault: see $log"
  fi
  echo "fuzz: $target $verdict ($(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs)"
  [[ "$verdict" == ran* ]]
}

status=0
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  run "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit "$status"
