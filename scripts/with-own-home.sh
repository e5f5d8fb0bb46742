#!/usr/bin/env bash
# Runs a command with a HOME, XDG folders and a runtime folder of its own, so that nothing the
# command or the programs it starts (services that the session bus starts on demand among them)
# write lands in the account's home, and nothing that an earlier run left there counts. Once the
# command has ended, stops every program that still runs with that home, then removes it.
# Usage: scripts/with-own-home.sh <command> [args...]
set -euo pipefail
[ "$#" -gt 0 ] || { echo "usage: with-own-home.sh <command> [args...]" >&2; exit 2; }

home="$(mktemp -d "${TMPDIR:-/tmp}/parlino-home.XXXXXX")"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
# Every program started from here on carries this mark in its environment, also a daemon that
# left its parent.
export PARLINO_OWN_HOME="$home"

# The programs that were started with the mark and still run. This script's own environment
# (and so its subshells') was set before the mark.
marked() {
  grep -lzxF "PARLINO_OWN_HOME=$home" /proc/[0-9]*/environ 2>/dev/null |
    sed 's|^/proc/\([0-9]*\)/environ$|\1|'
}

# Asks what is left to end, then ends it, within 5 s; then removes the home.
clean_up() {
  local left deadline=$((SECONDS + 5))
  set +e
  export -n PARLINO_OWN_HOME
  left="$(marked)"
  if [ -n "$left" ]; then
    # shellcheck disable=SC2086 # one process a word
    kill -TERM $left 2>/dev/null
    while [ -n "$left" ] && [ "$SECONDS" -lt "$deadline" ]; do
      sleep 0.05
      left="$(marked)"
    done
    # shellcheck disable=SC2086
    [ -z "$left" ] || kill -KILL $left 2>/dev/null
  fi
  rm -rf "$home"
}

# The command keeps this script's standard input; a signal to end is passed on to it, and the
# home is cleaned up once it has ended.
"$@" <&0 &
command_pid=$!
trap 'kill -TERM "$command_pid" 2>/dev/null' TERM INT HUP
status=0
while :; do
  wait "$command_pid" && status=0 || status=$?
  kill -0 "$command_pid" 2>/dev/null || break
done
clean_up
exit "$status"
