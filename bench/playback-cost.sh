#!/usr/bin/env bash
# Measures what playing a read costs beside plain players of the same MP3, in a private desktop
# session (scripts/ci-services.sh) with a stand-in for the service: the application's share of
# one core and its wake-ups a second while it plays the stand-in's speech (some 40 s) in the open
# panel, which follows the words, then mpv and mpg123 playing that same MP3; once on a quiet
# machine and once beside four busy loops. Wake-ups are the threads' voluntary context switches, each a
# sleep that ended. Build first (scripts/build.sh).
# Usage: bench/playback-cost.sh [build-dir]   (from any folder; the build folder defaults to build/)
# shellcheck disable=SC2034 # loop counters
set -euo pipefail
bench="playback-cost"
# shellcheck source=bench/desktop-session.sh
source "$(dirname "$(realpath "$0")")/desktop-session.sh"
need_built "$app_binary"
for player in mpv mpg123; do
  command -v "$player" >/dev/null || fail "$player is missing (scripts/install-deps.sh --test)"
done

# Seconds sampled, after the player has played for a while.
sample_seconds=20
settle_seconds=3

# The CPU time of the process's threads in nanoseconds, as the scheduler counts it, and their
# voluntary context switches.
usage_of() {
  local task
  for task in /proc/"$1"/task/*; do
    printf '%s ' "$(cut -d ' ' -f 1 "$task/schedstat" 2>/dev/null || echo 0)"
    awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status" 2>/dev/null || echo 0
  done | awk '{ time += $1; switches += $2 } END { print time, switches }'
}
# Samples a playing process ($2) for sample_seconds after settle_seconds and prints its line
# ($1): the share of one core and the wake-ups a second; notes the share in $work/cpu.
sample() {
  local name="$1" pid="$2" before after
  sleep "$settle_seconds"
  before=$(usage_of "$pid")
  sleep "$sample_seconds"
  kill -0 "$pid" 2>/dev/null || fail "$name stopped playing before the sample ended"
  after=$(usage_of "$pid")
  awk -v name="$name" -v b="$before" -v a="$after" -v s="$sample_seconds" 'BEGIN {
      split(b, x, " "); split(a, y, " ")
      cpu = (y[1] - x[1]) / 1e7 / s
      printf "  %-8s %5.2f %% of one core, %6.1f wake-ups/s\n", name, cpu, (y[2] - x[2]) / s
      print name, cpu >> "/dev/stderr"
    }' 2>>"$work/cpu"
}

start_stand_in instant
# The speech the stand-in answers every synthesis with, for the players.
curl -sf -X POST -H 'Content-Type: application/json' -d '{"text":"speech"}' \
  "$service_url/v1/text-to-speech/bench/with-timestamps" | jq -r .audio_base64 | base64 -d \
  >"$work/speech.mp3"
[ -s "$work/speech.mp3" ] || fail "the stand-in gave no speech"

# The application plays the read in the open panel, the pointer away from it.
play_parlino() {
  launch "$1" seen
  xdotool mousemove 960 1000
  read_text "Parlino reads this text aloud while the open panel follows its words, one after \
another, for as long as the stand-in's speech lasts, so that the cost of playing can \
be measured."
  wait_for "the read to play" status_is Playing
  "$app_binary" >/dev/null 2>&1
  wait_for "the panel" shown "Parlino Panel"
  sample parlino "$app"
  status_is Playing || fail "the read stopped playing before the sample ended"
  quit
}
play_with() {
  "$@" "$work/speech.mp3" >/dev/null 2>&1 &
  local player=$!
  pids+=("$player")
  sample "$1" "$player"
  kill "$player"
  wait "$player" 2>/dev/null || true
}
measure() {
  echo "$1:"
  : >"$work/cpu"
  play_parlino "$2"
  play_with mpv --no-video --no-terminal --audio-display=no
  play_with mpg123 -q
  awk '{ cpu[$1] = $2 }
    END { printf "  parlino / mpv: %.2f (at most 1.3 wanted)\n", cpu["parlino"] / cpu["mpv"] }' \
    "$work/cpu"
}

measure "a quiet machine" quiet
for i in 1 2 3 4; do
  (while :; do :; done) &
  pids+=($!)
done
measure "beside four busy loops" busy
