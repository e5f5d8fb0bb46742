#!/usr/bin/env bash
# Runs a test program (the arguments) on an X server of its own, where no window manager runs:
# the focus stays where clients put it, on no window too. Stops the server it started.
set -uo pipefail
files="$(mktemp -d)"
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$files/display" \
  2>"$files/xvfb.log" &
xvfb=$!
stop() {
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$files"
}
trap stop EXIT
# The server names its display once it listens: a whole line (at most 10 s).
for _ in $(seq 200); do
  [ -s "$files/display" ] && [ -z "$(tail -c 1 "$files/display" | tr -d '\n')" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
[ -s "$files/display" ] || { echo "Xvfb did not start" >&2; cat "$files/xvfb.log" >&2; exit 1; }
DISPLAY=":$(head -n 1 "$files/display")" "$@"
