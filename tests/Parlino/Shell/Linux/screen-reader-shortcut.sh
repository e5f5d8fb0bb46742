#!/usr/bin/env bash
# The read shortcut under a screen reader, measured in the editors of each toolkit, in the desktop
# session of scripts/ci-services.sh. For each editor: Orca runs, the editor opens three lines, and
# round after round a line is selected and read by Control-Alt-Shift-O with the O key held each
# hold in turn; a round is quiet when Orca said nothing but the keys it echoes from the press until
# the read played out. Then the shortcut is pressed each delay after the focus came to the editor
# from another window, and a round counts when a read started. Prints one line a measure.
# Usage: screen-reader-shortcut.sh <parlino> <speech stand-in>
#   (EDITORS="kwrite kate lowriter mousepad" HOLDS="0.4 1" ROUNDS=10 DELAYS="0 0.1 0.2 0.3";
#   KEEP=1 leaves the logs in place after a failure and says where)
set -euo pipefail
app="$1"
stand_in="$2"
editors="${EDITORS:-kwrite kate lowriter mousepad}"
holds="${HOLDS:-0.4 1}"
rounds="${ROUNDS:-10}"
delays="${DELAYS:-0 0.1 0.2 0.3}"

work="$(mktemp -d)"
started=()
stop_started() {
  local i
  set +e
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    kill "${started[i]}" 2>/dev/null
    wait "${started[i]}" 2>/dev/null
  done
  rm -rf "$work"
}
trap stop_started EXIT
fail() {
  echo "screen-reader-shortcut: $*" >&2
  if [ "${KEEP:-0}" = 1 ]; then
    echo "screen-reader-shortcut: the logs are in $work" >&2
    work=/nonexistent
  fi
  exit 1
}
# shellcheck source-path=SCRIPTDIR source=session-checks.sh
. "$(dirname "$0")/session-checks.sh"

# Every program runs in a home of its own.
use_home "$work/home"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$stand_in" >"$work/stand-in.log" 2>&1 &
started+=($!)
wait_until "the stand-in service" 10 logged "$work/stand-in.log" '^http://'
PARLINO_SERVICE_URL="$(head -n 1 "$work/stand-in.log")"
export PARLINO_SERVICE_URL
printf 'sk_stand_in_key' | secret-tool store --label=Parlino service com.parlino.app \
  account elevenlabs-api-key
# Control-Alt-Shift-O reads the selection.
printf '%s' '{"format":"parlino-defaults","version":1,"values":{"hasSeenOnboarding":{"bool":true},'\
'"KeyboardShortcuts_readSelection":{"string":"{\"carbonKeyCode\":31,\"carbonModifiers\":6656}"}}}' \
  >"$HOME/config/Parlino/com.parlino.app.json"
"$app" >"$work/parlino.log" 2>&1 &
started+=($!)
wait_until "Parlino's tray icon" 30 logged "$work/parlino.log" 'tray: icon installed'

# Orca writes what it says to its debug file, one "SPEECH OUTPUT: 'words'" line each.
orca --replace --debug-file "$work/orca.log" >/dev/null 2>&1 &
started+=($!)
orca_pid=$!
wait_until "the screen reader" 30 logged "$work/orca.log" "SPEECH OUTPUT: 'Screen reader on.'"
said() { grep -ao "SPEECH OUTPUT: '[^']*'" "$work/orca.log" | sed "s/^SPEECH OUTPUT: '//; s/'$//" || true; }
said_count() { said | wc -l; }
# What Orca said after its first $1 utterances, without the keys it echoes.
said_since() {
  said | tail -n "+$(($1 + 1))" |
    grep -vE '^((left|right) (control|alt|shift|super)|[a-z]|home|end|escape|down|up) *$' || true
}
# (grep reads to the end: with pipefail, a grep that stops at the first match fails the pipe.)
said_since_contains() { said | tail -n "+$(($1 + 1))" | grep -E "$2" >/dev/null; }
reads_started() { grep -c 'startRead:' "$work/parlino.log" || true; }
played_out() { [ "$(grep -c 'setState playing -> finished' "$work/parlino.log")" -ge "$1" ]; }

lines=("Amber valleys hold the morning light." "Bravo rivers carry it to the sea."
  "Cedar hills keep the evening calm.")
printf '%s\n' "${lines[@]}" >"$work/lines.txt"
# A second window, for the focus to come from.
xterm -title "other window" &
started+=($!)
wait_until "the other window" 30 sh -c 'xdotool search --name "other window"'
other_window="$(xdotool search --name "other window" | head -n 1)"

finished=0
select_line() {
  local from
  from="$(said_count)"
  xdotool key ctrl+Home
  for ((down = 0; down < $1; down++)); do xdotool key Down; done
  xdotool key shift+End
  wait_until "the reader to say the selection" 30 said_since_contains "$from" '(^| )selected\.?$'
}
# Presses the shortcut with the O key held $1 seconds, and waits until the read played out; false
# when no read started within 10 s.
read_by_shortcut() {
  local before
  before="$(reads_started)"
  xdotool keydown ctrl+alt+shift+o
  sleep "$1"
  xdotool keyup o keyup shift keyup alt keyup ctrl
  for _ in $(seq 200); do
    if [ "$(reads_started)" -gt "$before" ]; then
      finished=$((finished + 1))
      wait_until "the read to play out" 60 played_out "$finished"
      return 0
    fi
    sleep 0.05
  done
  return 1
}

for editor in $editors; do
  case "$editor" in
  mousepad) "$editor" --disable-server "$work/lines.txt" >/dev/null 2>&1 & ;;
  lowriter) "$editor" --norestore "$work/lines.txt" >/dev/null 2>&1 & ;;
  *) "$editor" "$work/lines.txt" >/dev/null 2>&1 & ;;
  esac
  editor_pid=$!
  started+=("$editor_pid")
  wait_until "$editor's window" 60 sh -c "xdotool getactivewindow getwindowname | grep -q lines"
  editor_window="$(xdotool getactivewindow)"
  wait_until "the reader to follow $editor" 30 said_since_contains 0 "lines"
  for hold in $holds; do
    quiet=0
    for ((round = 0; round < rounds; round++)); do
      select_line $((round % 3))
      from="$(said_count)"
      read_by_shortcut "$hold" || fail "$editor, held $hold s: the shortcut started no read"
      # A key that Orca echoes: whatever the shortcut made it say came before.
      xdotool key Shift_R
      wait_until "the reader's echo" 30 said_since_contains "$from" '^right shift'
      heard="$(said_since "$from")"
      if [ -z "$heard" ]; then
        quiet=$((quiet + 1))
      else
        echo "  $editor, held ${hold} s: $(echo "$heard" | tr '\n' '|')"
      fi
    done
    echo "$editor: quiet with the O key held $hold s: $quiet of $rounds"
  done
  for delay in $delays; do
    reads=0
    for ((round = 0; round < rounds; round++)); do
      select_line $((round % 3))
      xdotool windowactivate --sync "$other_window"
      xdotool windowactivate --sync "$editor_window"
      sleep "$delay"
      if read_by_shortcut 0.1; then reads=$((reads + 1)); fi
    done
    echo "$editor: read when pressed $delay s after the focus came: $reads of $rounds"
  done
  kill "$editor_pid"
  wait "$editor_pid" 2>/dev/null || true
done
kill "$orca_pid" 2>/dev/null || true
[ -z "${COPY_LOGS:-}" ] || cp "$work"/*.log "$COPY_LOGS"
