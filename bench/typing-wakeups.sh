#!/usr/bin/env bash
# Counts how often the real application's threads run while the user types in another
# application: 300 keys at 10 a second (XTest, as a hand types: each key's press and release
# 50 ms apart), into xterm, with the right-Super tap on and off, then into mousepad with the
# desktop's accessibility on, and again with a screen reader (Orca) running, with the tap off, so
# that only what accessibility costs is counted; and CopyQ, a tray application of the same
# toolkit, beside it in the same way. Runs in a private desktop
# session (scripts/ci-services.sh) with a stand-in for the service. Build first (scripts/build.sh).
# Usage: bench/typing-wakeups.sh [build-dir]   (from any folder; the build folder defaults to build/)
# shellcheck disable=SC2034 # loop counters
set -euo pipefail
bench="typing-wakeups"
# shellcheck source=bench/desktop-session.sh
source "$(dirname "$(realpath "$0")")/desktop-session.sh"
need_built "$app_binary"
keys=300

# Each thread's wake-ups (voluntary context switches) and context switches in all, one
# "thread name wake-ups switches" line each. On a busy machine the other threads' turns add
# switches that are no wake-ups.
thread_switches() {
  local task
  for task in /proc/"$app"/task/*; do
    awk -v thread="${task##*/}" -v name="$(tr ' ' _ <"$task/comm" 2>/dev/null)" \
      '/^voluntary_ctxt_switches/ { woken += $2 } /ctxt_switches/ { total += $2 }
       END { print thread, name, woken, total }' "$task/status" 2>/dev/null || true
  done
}
# Waits until no thread of the program has run for 4 s (at most 20 s).
settle() {
  local before now tries quiet=0
  before=$(thread_switches)
  for tries in $(seq 20); do
    sleep 1
    now=$(thread_switches)
    if [ "$now" = "$before" ]; then quiet=$((quiet + 1)); else quiet=0; fi
    [ "$quiet" -lt 4 ] || break
    before="$now"
  done
}
# Starts a program ($2...) in a home of its own named $1 and gives its window the focus.
start_editor() {
  local home="$work/$1"
  shift
  mkdir -p "$home"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_CACHE_HOME="$home/cache" GSETTINGS_BACKEND=memory "$@" >"$home/out.log" 2>&1 &
  editor=$!
  pids+=("$editor")
  wait_for "the editor's window" xdotool search --onlyvisible --pid "$editor"
  editor_window="$(xdotool search --onlyvisible --pid "$editor" | head -n 1)"
  xdotool windowactivate --sync "$editor_window" || xdotool windowfocus --sync "$editor_window"
}
stop_editor() {
  kill "$editor"
  wait "$editor" 2>/dev/null || true
}
# Types the keys into the focused editor and prints the program's wake-ups, in all and per key,
# with the threads that woke, and its context switches in all.
typing_switches() {
  local before text
  text="$(head -c "$keys" /dev/zero | tr '\0' 'a')"
  # The first key from XTest makes the server announce a new keyboard, which every client reads
  # once: a real keyboard does not do that for each key.
  xdotool type a
  settle
  before=$(thread_switches)
  xdotool type --delay 100 "$text"
  thread_switches >"$work/after"
  awk -v what="$1" -v keys="$keys" 'NR == FNR { woken[$1] = $3; total[$1] = $4; next }
    { w = $3 - woken[$1]; sum += w; all += $4 - total[$1]; if (w) threads = threads " " $2 "=" w }
    END { printf "%s: %d wake-ups for %d keys, %.2f a key%s; %d context switches in all\n",
          what, sum, keys, sum / keys, threads ? " (" substr(threads, 2) ")" : "", all }' \
    <(echo "$before") "$work/after"
}

start_stand_in ok

launch plain seen
wait_for "the tray icon" logged "tray: icon installed"
start_editor xterm xterm
typing_switches "typing into xterm"
stop_editor
quit

# Nothing but the tap needs the keys typed elsewhere.
launch tap-off seen '"rightCommandTapEnabled":{"bool":false}'
start_editor xterm-tap-off xterm
typing_switches "typing into xterm, tap off"
stop_editor
quit

# The desktop's accessibility on, as a screen reader turns it on.
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
  --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled '<true>' >/dev/null
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 launch accessible seen '"rightCommandTapEnabled":{"bool":false}'
wait_for "the tray icon" logged "tray: icon installed"
start_editor mousepad mousepad --disable-server
typing_switches "typing into mousepad, accessibility on, tap off"
stop_editor
if command -v orca >/dev/null; then
  mkdir -p "$work/orca"
  HOME="$work/orca" XDG_CONFIG_HOME="$work/orca/config" XDG_DATA_HOME="$work/orca/data" \
    XDG_CACHE_HOME="$work/orca/cache" orca --replace --debug-file "$work/orca/debug.log" \
    >/dev/null 2>&1 &
  pids+=($!)
  # Orca takes long to start on a busy machine.
  for tries in $(seq 1200); do
    ! grep -q "Screen reader on" "$work/orca/debug.log" 2>/dev/null || break
    sleep 0.05
  done
  grep -q "Screen reader on" "$work/orca/debug.log" || fail "the screen reader never started"
  start_editor mousepad-orca mousepad --disable-server
  typing_switches "typing into mousepad, Orca running, tap off"
  stop_editor
else
  echo "Orca is not installed: no screen reader case"
fi
quit

if command -v copyq >/dev/null; then
  home="$work/copyq"
  mkdir -p "$home/config" "$home/data"
  log="$home/out.log"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" copyq >"$log" 2>&1 &
  app=$!
  pids+=("$app")
  wait_for "CopyQ's window" xdotool search --pid "$app"
  start_editor copyq-xterm xterm
  typing_switches "peer: CopyQ, typing into xterm"
  stop_editor
else
  echo "peer: CopyQ is not installed (scripts/install-deps.sh)"
fi
