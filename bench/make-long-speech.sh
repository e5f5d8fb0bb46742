#!/usr/bin/env bash
# Makes a long MP3 of real speech for the decoding benchmark: the test speech repeated to about
# ten and a half minutes, at 128 kbit/s and 44.1 kHz with a LAME header.
# Usage: bench/make-long-speech.sh <speech.mp3> <output.mp3>
set -euo pipefail
in="${1:?usage: make-long-speech.sh <speech.mp3> <output.mp3>}"
out="${2:?usage: make-long-speech.sh <speech.mp3> <output.mp3>}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

lame --quiet --decode "$in" "$work/speech.wav"
seconds="$(soxi -D "$work/speech.wav")"
repeats="$(awk -v s="$seconds" 'BEGIN { print int(636 / s) }')"
sox "$work/speech.wav" "$work/long.wav" repeat "$repeats"
lame --quiet -b 128 "$work/long.wav" "$out"
