#!/usr/bin/env bash
# Runs a command inside a private desktop session for the end-to-end tests: an X server (Xvfb), a
# window manager (openbox), a compositor (xcompmgr), a D-Bus session with the accessibility bus,
# an unlocked keyring, a tray host (trayer) and a headless PulseAudio server, all in a home of the
# session's own that is removed afterwards (scripts/with-own-home.sh). Waits until each is
# ready, and stops exactly what it started. Inside a session already, it just runs the command,
# unless PARLINO_TRAY_TINT asks for a tray of another colour than that session's.
# Usage: scripts/ci-services.sh <command> [args...]   (PARLINO_CI_DEBUG=1 logs when each is ready)
set -euo pipefail
[ "$#" -gt 0 ] || { echo "usage: ci-services.sh <command> [args...]" >&2; exit 2; }

if [ -n "${PARLINO_DESKTOP_SESSION:-}" ] &&
  [ "${PARLINO_TRAY_TINT:-}" = "${PARLINO_DESKTOP_TRAY_TINT:-}" ]; then
  exec "$@"
fi

# The D-Bus session, the home of the session's own with its XDG folders and PulseAudio come from
# with-pulseaudio.sh, which runs this script again for the desktop inside them.
if [ -z "${PARLINO_DESKTOP_STAGE:-}" ]; then
  exec env PARLINO_DESKTOP_STAGE=1 "$(dirname "$0")/with-pulseaudio.sh" "$0" "$@"
fi
unset PARLINO_DESKTOP_STAGE WAYLAND_DISPLAY

# The desktop's own files (the display's number, the X server's log), in the private home.
files="$XDG_RUNTIME_DIR/desktop.$$"
mkdir "$files"
started=()

stop_started() {
  local i
  set +e
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    kill "${started[i]}" 2>/dev/null
    wait "${started[i]}" 2>/dev/null
  done
  rm -rf "$files"
}
trap stop_started EXIT

# Says what failed, with the end of the X server's log, which tells why a client could not connect.
fail() {
  echo "ci-services: $*" >&2
  if [ -s "$files/xvfb.log" ]; then tail -n 5 "$files/xvfb.log" | sed 's/^/ci-services: Xvfb: /' >&2; fi
  exit 1
}

# Polls a check (the remaining arguments) every 20 ms for up to 30 s, while the process started
# last lives.
wait_for() {
  local what="$1"; shift
  local pid="${started[-1]}"
  for _ in $(seq 1500); do
    if "$@" >/dev/null 2>&1; then
      [ "${PARLINO_CI_DEBUG:-}" = 1 ] && echo "ci-services: $what ready at $EPOCHREALTIME" >&2
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || fail "$what exited while starting"
    sleep 0.02
  done
  fail "$what did not become ready"
}

root_has() { xprop -root "$1" | grep -q "window id"; }
bus_has() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" | grep -q true
}
# A manager selection (compositor, tray) is owned by a window that its owner names.
window_named() { xwininfo -root -tree | grep -q "\"$1\""; }

# Xvfb names its display once it listens; the server is ready when a client's connection to that
# whole number (a line that has ended) is answered. Without -noreset the server would reset when
# that first client leaves, refusing the next one for a moment.
xvfb_answers() {
  [ -z "$(tail -c 1 "$files/display" | tr -d '\n')" ] &&
    xdpyinfo -display ":$(head -n 1 "$files/display")" > /dev/null
}
Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$files/display" 2>"$files/xvfb.log" &
started+=($!)
wait_for "Xvfb" xvfb_answers
export DISPLAY=":$(head -n 1 "$files/display")"

openbox --sm-disable &
started+=($!)
wait_for "openbox" root_has _NET_SUPPORTING_WM_CHECK

xcompmgr &
started+=($!)
wait_for "xcompmgr" window_named xcompmgr

/usr/libexec/at-spi-bus-launcher --launch-immediately &
started+=($!)
wait_for "the accessibility bus" bus_has org.a11y.Bus

printf pw | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null &
started+=($!)
wait_for "gnome-keyring" bus_has org.freedesktop.secrets

# Without its accessibility bridge, which would delay its start by a second or more. With
# PARLINO_TRAY_TINT (0xRRGGBB), the tray is painted in that colour, as a themed panel is.
tray_colour=()
[ -z "${PARLINO_TRAY_TINT:-}" ] ||
  tray_colour=(--transparent true --alpha 0 --tint "$PARLINO_TRAY_TINT")
NO_AT_BRIDGE=1 trayer --edge top --align right --SetDockType true "${tray_colour[@]}" &
started+=($!)
wait_for "trayer" window_named panel

export PARLINO_DESKTOP_SESSION=1 PARLINO_DESKTOP_TRAY_TINT="${PARLINO_TRAY_TINT:-}"
set +e
"$@"
status=$?
set -e
exit "$status"
