#!/usr/bin/env bash
# Counts how often the real application's threads run while nothing moves, on every surface a
# user leaves standing: the idle bar alone, the tutorial, a paused read in the open panel, the
# settings window, the Audio Clips window, and the idle bar after a finished read; and CopyQ, a
# tray application of the same toolkit, beside it in the same desktop session
# (scripts/ci-services.sh), with a stand-in for the service. Build first (scripts/build.sh).
# Usage: bench/idle-wakeups.sh [build-dir]   (from any folder; the build folder defaults to build/)
# shellcheck disable=SC2034 # the window geometry variables are set by eval; loop counters
set -euo pipefail
bench="idle-wakeups"
# shellcheck source=bench/desktop-session.sh
source "$(dirname "$(realpath "$0")")/desktop-session.sh"
need_built "$app_binary"

# The centre of the program's first shown window whose geometry (X, Y, WIDTH, HEIGHT) passes
# the arithmetic test $1.
window_centre() {
  local window WINDOW X Y WIDTH HEIGHT SCREEN
  for window in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$window")"
    if (($1)); then
      echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
      return 0
    fi
  done
  return 1
}
# The tray icon: the small window that the tray at the top right embeds; its menu opens below it.
tray_icon_centre() { window_centre "WIDTH <= 64 && HEIGHT <= 64 && X >= 1600"; }
menu_shown() { window_centre "HEIGHT >= 100 && X + WIDTH >= 1800 && Y <= 64"; }
# Chooses the $1th item of the tray icon's menu: 2 "Settings…", 3 "Audio Clips…".
tray_menu() {
  wait_for "the tray icon" tray_icon_centre
  local icon i
  icon="$(tray_icon_centre)"
  xdotool mousemove "${icon% *}" "${icon#* }" click 3
  wait_for "the tray menu" menu_shown
  for i in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
}

# Starts the application as launch does and waits for its icon in the tray.
launch_in_tray() {
  launch "$@"
  wait_for "the icon in the tray" tray_icon_centre
}

# Each thread's context switches, one "thread name count" line each.
thread_switches() {
  local task
  for task in /proc/"$app"/task/*; do
    awk -v thread="${task##*/}" -v name="$(tr ' ' _ <"$task/comm" 2>/dev/null)" \
      '/ctxt_switches/ { total += $2 } END { print thread, name, total }' \
      "$task/status" 2>/dev/null || true
  done
}
# The context switches of all the program's threads over 10 s, once it has settled (no switch
# for 4 s, longer than any look the application takes after a change, or 20 s passed), with the
# threads that switched. A thread that ends meanwhile takes its count along; one that starts
# counts in full.
idle_switches() {
  local before now tries quiet=0
  before=$(thread_switches)
  for tries in $(seq 20); do
    sleep 1
    now=$(thread_switches)
    if [ "$now" = "$before" ]; then quiet=$((quiet + 1)); else quiet=0; fi
    [ "$quiet" -lt 4 ] || break
    before="$now"
  done
  sleep 10
  thread_switches >"$work/after"
  awk -v what="$1" 'NR == FNR { before[$1] = $3; next }
    { d = $3 - before[$1]; total += d; if (d) threads = threads " " $2 "=" d }
    END { printf "context switches over 10 s, %s: %d%s\n", what, total, threads ? " (" substr(threads, 2) ")" : "" }' \
    <(echo "$before") "$work/after"
}

start_stand_in ok

launch_in_tray first-start
wait_for "the tutorial" logged "onboarding present"
idle_switches "the tutorial"
quit

launch_in_tray idle seen
wait_for "the idle bar" shown "Parlino Idle Bar"
idle_switches "the idle bar"
tray_menu 2
wait_for "the settings window" shown "Parlino Settings"
idle_switches "the settings window"
quit

launch_in_tray clips seen
tray_menu 3
wait_for "the Audio Clips window" shown "Audio Clips"
idle_switches "the Audio Clips window"
quit

launch_in_tray reads seen
xdotool mousemove 960 900
read_text "Parlino reads this short text aloud, and then it rests."
wait_for "the read to play" status_is Playing
wait_for "the read to finish" not_shown "Parlino Bubble"
wait_for "the idle bar" shown "Parlino Idle Bar"
idle_switches "after a finished read"
read_text "Parlino reads this text aloud until it is paused, and it stays paused in the open panel."
wait_for "the read to play" status_is Playing
mpris org.mpris.MediaPlayer2.Player.Pause >/dev/null
wait_for "the pause" status_is Paused
"$app_binary" >/dev/null 2>&1
wait_for "the panel" shown "Parlino Panel"
idle_switches "a paused read in the open panel"
quit

if command -v copyq >/dev/null; then
  home="$work/copyq"
  mkdir -p "$home/config" "$home/data"
  log="$home/out.log"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" copyq >"$log" 2>&1 &
  app=$!
  pids+=("$app")
  wait_for "CopyQ's tray icon" tray_icon_centre
  idle_switches "peer: CopyQ with its tray icon"
else
  echo "peer: CopyQ is not installed (scripts/install-deps.sh)"
fi
