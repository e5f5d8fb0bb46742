#!/usr/bin/env bash
# Makes the MP3 fixtures of the playback tests from real speech:
#   speech.mp3           128 kbit/s at 44.1 kHz with a LAME header (exact length, encoder delay)
#   speech-untagged.mp3  the same without the header frame, as a streamed MP3 arrives
#   speech.frames        the number of sample frames the speech was encoded from
#   speech-22k-stereo.mp3  the same words at 22.05 kHz in stereo, 64 kbit/s, to splice in
# Usage: scripts/make-test-audio.sh <output-dir>
set -euo pipefail
out="${1:?usage: make-test-audio.sh <output-dir>}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

espeak-ng -v en-us -s 170 -w "$work/speech-22k.wav" \
  "Parlino reads aloud the text you have selected. Speed and volume change at once."
sox "$work/speech-22k.wav" -r 44100 "$work/speech.wav"
lame --quiet -b 128 "$work/speech.wav" "$out/speech.mp3"
lame --quiet -t -b 128 "$work/speech.wav" "$out/speech-untagged.mp3"
soxi -s "$work/speech.wav" > "$out/speech.frames"
sox "$work/speech-22k.wav" -c 2 "$work/speech-22k-stereo.wav"
lame --quiet -b 64 "$work/speech-22k-stereo.wav" "$out/speech-22k-stereo.mp3"
