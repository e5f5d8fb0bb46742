#!/usr/bin/env bash
# Walks the real application through every screen a user can reach, in a private desktop session
# with a stand-in service that speaks with espeak-ng, and saves one screenshot of each state under
# build/screenshots/screens/<state>.png. Every step waits on state: a window shown by title, an
# element on the accessibility bus, the media controls' playback status, a log line, the pixels.
# Usage: scripts/screens.sh   (PARLINO_BUILD_DIR picks the build folder; the default is build)
# shellcheck disable=SC2034 # the window geometry variables are set by eval
set -Eeuo pipefail
cd "$(dirname "$0")/.."
build="${PARLINO_BUILD_DIR:-build}"

if [ -z "${PARLINO_DESKTOP_SESSION:-}" ]; then
  [ -f "$build/build.ninja" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}"
  nice cmake --build "$build" --parallel 4 \
    --target parlino parlino-speech-stand-in parlino-accessible-probe
  exec scripts/ci-services.sh "$0" "$@"
fi

app_binary="$build/src/Parlino/parlino"
stand_in_binary="$build/tests/support/parlino-speech-stand-in"
probe_binary="$build/tests/support/parlino-accessible-probe"
out="$build/screenshots/screens"
logs="$build/screenshots/screens-logs" # what the application and the service said
rm -rf "$out" "$logs"
mkdir -p "$out" "$logs"
work="$(mktemp -d)"
mkdir "$work/home"
started=()
app_pid=""
app_log=""

stop_started() {
  local i
  trap - ERR
  set +e
  [ -z "$app_pid" ] || stop_app
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    kill "${started[i]}" 2>/dev/null
    wait "${started[i]}" 2>/dev/null
  done
  rm -rf "$work"
}
trap stop_started EXIT

fail() {
  trap - ERR
  echo "screens: $*" >&2
  import -window root "$out/failed-here.png" 2>/dev/null || true
  [ -z "$app_pid" ] || tail -n 30 "$app_log" >&2
  exit 1
}
step() { echo "screens: $*" >&2; }
trap 'fail "line $LINENO: $BASH_COMMAND failed"' ERR

# Polls a check (the remaining arguments) every 50 ms until it holds or `seconds` pass.
wait_until() {
  local what="$1" seconds="$2"
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || fail "timed out waiting for $what"
    sleep 0.05
  done
}

# ---- What the session shows -----------------------------------------------------------------

shown() { window_id "$1" >/dev/null; }
not_shown() { ! shown "$1"; }
# An element by its accessible name, in the window with the title `$2` when one is given.
showing() { "$probe_binary" find "$@" >/dev/null; }
press() {
  wait_until "\"$1\" on the accessibility bus" 15 showing "$@"
  "$probe_binary" press "$@" || fail "could not press \"$1\""
}
# The media controls' side of the application: a method and its arguments.
mpris() {
  gdbus call --session --dest org.mpris.MediaPlayer2.parlino --object-path /org/mpris/MediaPlayer2 \
    --method "$@"
}
status_is() {
  mpris org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player PlaybackStatus |
    grep -qF "'$1'"
}
player() { mpris "org.mpris.MediaPlayer2.Player.$1" >/dev/null; }
logged() { grep -qE "$2" "$1"; }

# ---- Pixels -----------------------------------------------------------------------------------

grab() { import -window root "$1"; }
# How many pixels differ between two screenshots (a little colour noise aside).
pixels_apart() { compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true; }
# Motion has ended when two screenshots in a row differ in fewer pixels than a sliding sheet
# (a moving word highlight or a level glow changes fewer), or than $1 where a smaller surface
# slides; a screen that keeps moving more is taken after 5 s.
settle() {
  local deadline=$((SECONDS + 5))
  grab "$work/a.png"
  while [ "$SECONDS" -lt "$deadline" ]; do
    grab "$work/b.png"
    [ "$(pixels_apart "$work/a.png" "$work/b.png")" -lt "${1:-5000}" ] && break
    mv "$work/b.png" "$work/a.png"
  done
}
# Saves the screen once it has settled ($2: the change in pixels still taken for motion).
shot() {
  settle "${2:-5000}"
  cp "$work/a.png" "$out/$1.png"
  step "saved $1"
}
# Whether the screen differs from before.png in at least $1 pixels (1500 unless told).
screen_changed() {
  grab "$work/now.png"
  [ "$(pixels_apart "$work/before.png" "$work/now.png")" -ge "${1:-1500}" ]
}
# Runs an action (the remaining arguments) and waits until the screen has visibly changed.
changing() {
  grab "$work/before.png"
  "$@"
  wait_until "the screen to change after $*" 15 screen_changed
}
# The same for an action that may find its result shown already (the pane that is open).
maybe_changing() {
  grab "$work/before.png"
  "$@"
  local deadline=$((SECONDS + 3))
  until screen_changed || [ "$SECONDS" -ge "$deadline" ]; do sleep 0.05; done
}

# The tray icon with the tray around it, cut out of the screen.
shot_tray() {
  settle
  local icon
  icon="$(tray_icon_centre)"
  convert "$work/a.png" -crop "160x40+$((${icon% *} - 80))+0" +repage "$out/$1.png"
  step "saved $1"
}

# ---- Input ------------------------------------------------------------------------------------

# Glides the pointer onto a point from 50 pixels to its left in small relative steps, as a hand
# would: the panel follows raw motion, which pointer jumps do not make.
point_to() {
  xdotool mousemove $(($1 - 50)) "$2"
  local i
  for i in $(seq 10); do xdotool mousemove_relative 5 0; done
}
# Away from the surfaces at the top, so that a new bubble stays a bubble.
park_pointer() { xdotool mousemove 960 900; }
click_at() { point_to "$1" "$2"; xdotool click "${3:-1}"; }
# The window with this title, and its centre.
window_id() { xdotool search --limit 1 --onlyvisible --name "^$1\$"; }
window_centre() {
  local id WINDOW X Y WIDTH HEIGHT SCREEN
  id="$(window_id "$1")"
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

# Closes a managed window as a user would: a click on its title bar, then Alt+F4.
close_window() {
  local id WINDOW X Y WIDTH HEIGHT SCREEN
  id="$(window_id "$1")"
  eval "$(xdotool getwindowgeometry --shell "$id")"
  click_at $((X + WIDTH / 2)) $((Y - 10))
  wait_until "\"$1\" to be active" 10 is_active "$id"
  xdotool key alt+F4
  wait_until "\"$1\" to close" 10 not_shown "$1"
}
is_active() { [ "$(xdotool getactivewindow)" = "$1" ]; }

# Presses a key and waits until the screen shows it: a focus ring is enough.
key_shown() {
  grab "$work/before.png"
  xdotool key "$1"
  wait_until "the screen to show the key $1" 10 screen_changed 100
}
# Clicks the middle of the application's $1th showing menu picker (a picker's accessible name is
# its value on this desktop, so it is found by its place among them).
click_picker() {
  local x y width height
  read -r x y width height < <("$probe_binary" dump | grep -F 'combo box "' | sed -n "$1p" |
    awk '{ print $(NF - 3), $(NF - 2), $(NF - 1), $NF }')
  [ -n "$height" ] || fail "no menu picker number $1 shows"
  click_at $((x + width / 2)) $((y + height / 2))
}

# The centre of the first shown window of the application whose geometry (X, Y, WIDTH, HEIGHT)
# passes the arithmetic test $1.
app_window_centre() {
  local window WINDOW X Y WIDTH HEIGHT SCREEN
  for window in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$window")"
    if (($1)); then
      echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
      return 0
    fi
  done
  return 1
}
# The tray icon: the small window that the tray host at the top right embeds; its menu opens
# below it.
tray_icon_centre() { app_window_centre "WIDTH <= 64 && HEIGHT <= 64 && X >= 1600"; }
menu_shown() { app_window_centre "HEIGHT >= 100 && X + WIDTH >= 1800 && Y <= 64"; }

# Chooses an item of the tray icon's menu by its place (the menu, a popup, is not on the
# accessibility bus): 1 "Open Parlino", 2 "Settings…", 3 "Audio Clips…", 4 "Tutorial".
tray_menu() {
  wait_until "the tray icon" 10 tray_icon_centre
  local icon
  icon="$(tray_icon_centre)"
  click_at ${icon% *} ${icon#* } 3
  wait_until "the tray menu" 10 menu_shown
  local i
  for i in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
}

# ---- The application and the service ---------------------------------------------------------

stand_in_log="$logs/stand-in.log"
"$stand_in_binary" >"$stand_in_log" 2>&1 &
started+=($!)
wait_until "the stand-in service" 10 logged "$stand_in_log" '^http://'
service_url="$(head -n 1 "$stand_in_log")"
service_mode() { curl -fsS -X POST "$service_url/stand-in/mode/$1" >/dev/null || fail "mode $1"; }
synthesised() { grep -qF "synthesis (ok): ${1:0:40}" "$stand_in_log"; }

store_key() {
  printf 'sk_stand_in_key' | secret-tool store --label=Parlino service com.parlino.app \
    account elevenlabs-api-key
}

start_app() {
  app_log="$logs/app-$1.log"
  HOME="$work/home" PARLINO_SERVICE_URL="$service_url" PARLINO_SYNTHETIC_INPUT=1 QT_QPA_PLATFORM=xcb \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$app_binary" >"$app_log" 2>&1 &
  app_pid=$!
  wait_until "the tray icon" 20 logged "$app_log" "tray: icon installed"
  wait_until "the application on the accessibility bus" 20 "$probe_binary" dump
}

stop_app() {
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# The application's own side of the session bus: a method and its arguments.
app_call() {
  gdbus call --session --dest com.parlino.app --object-path /com/parlino/app \
    --method "com.parlino.app.$1" "${@:2}" >/dev/null
}
read_text() { app_call ReadWithParlino "$1"; }

sentences() {
  local n="$1" i text=""
  for ((i = 1; i <= n; i++)); do
    text+="Sentence number $i tells how the stand-in voice reads a longer text aloud, word by word. "
  done
  printf '%s' "${text% }"
}

# ---- The walk ---------------------------------------------------------------------------------

walk_first_start() {
  step "first start, without a key"
  start_app first-start
  wait_until "the tutorial" 15 shown "Parlino Tutorial"
  local i
  for i in 1 2 3 4 5 6 7; do
    shot "tutorial-step-$i"
    changing press "Next" "Parlino Tutorial"
  done
  shot "tutorial-step-8"
  press "Let's go!" "Parlino Tutorial"
  wait_until "the tutorial to close" 15 not_shown "Parlino Tutorial"

  open_panel
  shot "panel-empty-no-key"
  press "No API Key" "Parlino Panel"
  wait_until "the warning pill" 15 shown "Parlino Warning"
  shot "warning-pill-no-key"
  walk_settings_window "settings-no-key"
  stop_app
}

# Drops the reading panel by resting the pointer on the bubble, and pins it open.
drop_panel() {
  local bubble
  bubble="$(window_centre "Parlino Bubble")"
  point_to ${bubble% *} 4
  wait_until "the panel" 10 shown "Parlino Panel"
  showing "Unpin" "Parlino Panel" || press "Pin panel open" "Parlino Panel"
}

open_panel() {
  app_call OpenPanel
  wait_until "the panel" 10 shown "Parlino Panel"
}

walk_settings_window() {
  local prefix="$1" pane
  tray_menu 2
  wait_until "the settings window" 15 shown "Parlino Settings"
  for pane in General Appearance "API Key" Playback Voice Usage Shortcuts Quit; do
    maybe_changing press "$pane" "Parlino Settings"
    shot "$prefix-$(tr 'A-Z ' 'a-z-' <<<"$pane")"
  done
  close_window "Parlino Settings"
}

walk_reads() {
  step "reads, with a key"
  store_key
  start_app reads
  wait_until "the idle bar" 15 shown "Parlino Idle Bar"
  shot "idle-bar"

  # The shortcut with nothing selected, while no read is showing.
  changing xdotool key ctrl+alt+shift+o
  shot "panel-failed"
  wait_until "the failure card to go" 20 not_shown "Parlino Panel"

  park_pointer
  read_text "Parlino reads this short text aloud. Each word lights up as it is spoken, \
and the panel follows along. Pause it, play it again, or change its speed. Then let it finish."
  wait_until "the read to play" 20 status_is Playing
  wait_until "the bubble" 10 shown "Parlino Bubble"
  # The bubble is smaller than a sliding sheet's change; only its clock ticks once it stands.
  shot "bubble" 200

  drop_panel
  player Pause
  wait_until "the pause" 10 status_is Paused
  shot "panel-paused"
  player Play
  wait_until "the read to play again" 10 status_is Playing
  shot "panel-reading-short"

  local long
  long="$(sentences 9)"
  read_text "$long"
  wait_until "the long text's synthesis" 20 synthesised "$long"
  wait_until "the long read to play" 20 status_is Playing
  shot "panel-reading-long"

  changing read_text "$(sentences 14)"
  wait_until "the length card" 15 showing "Read anyway"
  shot "panel-length-card"
  changing press "Cancel" "Parlino Panel"

  service_mode hold
  park_pointer
  read_text "A text the service takes its time over."
  wait_until "the bubble" 10 shown "Parlino Bubble"
  shot "bubble-loading" 200
  drop_panel
  shot "panel-loading"

  service_mode error
  changing read_text "A text the service fails to speak."
  wait_until "the stall row" 20 showing "Retry" "Parlino Panel"
  shot "panel-stalled"
  service_mode ok

  read_text "Parlino reads this short sentence aloud, once more."
  wait_until "the read to play" 20 status_is Playing
  for page in Settings Voices "Audio Clips"; do
    changing press "$page" "Parlino Panel"
    shot "panel-page-$(tr 'A-Z ' 'a-z-' <<<"$page")"
  done
  changing press "Audio Clips" "Parlino Panel"
  if showing "Unpin" "Parlino Panel"; then press "Unpin" "Parlino Panel"; fi
  press "Close" "Parlino Panel"
  wait_until "the panel to close" 10 not_shown "Parlino Panel"

  walk_settings_window "settings"
  tray_menu 3
  wait_until "the clips window" 15 shown "Audio Clips"
  shot "clips-window"
  stop_app
}

# The tray icon on the session's tray; the settings window walked with Tab, the arrow keys and
# Return; every menu picker's open list.
walk_keyboard() {
  step "the keyboard and the menu pickers"
  start_app keyboard
  wait_until "the tray icon" 10 tray_icon_centre
  shot_tray "tray-icon"
  tray_menu 2
  wait_until "the settings window" 15 shown "Parlino Settings"
  local id tabs picker pane number name
  id="$(window_id "Parlino Settings")"
  xdotool windowactivate --sync "$id"
  shot "keyboard-tab-0"
  for tabs in 1 2 3 4 5 6 7 8; do
    key_shown Tab
    case "$tabs" in 1 | 2 | 3 | 4 | 5 | 8) shot "keyboard-tab-$tabs" ;; esac
  done
  for tabs in 1 2 3 4 5 6 7 8; do xdotool key shift+Tab; done
  key_shown Down
  shot "keyboard-sidebar-down"
  key_shown Return
  shot "keyboard-sidebar-return"
  for picker in Playback:1:speed Playback:2:voice-model Appearance:1:font Appearance:2:case \
    Shortcuts:1:tap-key; do
    IFS=: read -r pane number name <<<"$picker"
    maybe_changing press "$pane" "Parlino Settings"
    changing click_picker "$number"
    shot "picker-open-$name"
    changing xdotool key Escape
  done
  close_window "Parlino Settings"
  tray_menu 3
  wait_until "the clips window" 15 shown "Audio Clips"
  shot "clips-window-icon"
  stop_app
}

walk_low_credit() {
  step "an account with little credit left"
  service_mode low-credit
  start_app low-credit
  read_text "Parlino reads this with little credit left."
  wait_until "the read to play" 20 status_is Playing
  open_panel
  wait_until "the warning row" 15 showing "320 Tokens Left" "Parlino Panel"
  shot "panel-warning-row"
  press "320 Tokens Left" "Parlino Panel"
  wait_until "the warning pill" 15 shown "Parlino Warning"
  shot "warning-pill-low-credit"
  stop_app
}

walk_first_start
walk_reads
walk_keyboard
walk_low_credit
step "$(ls "$out" | wc -l) screenshots in $out"
