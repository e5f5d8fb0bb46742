#!/usr/bin/env bash
# What the programs that the real application starts are given, in the desktop session of
# scripts/ci-services.sh, in a home of its own whose XDG MIME settings send folders and web pages
# to a stand-in that records its environment and arguments: the file manager opened on the
# recordings and the browser opened on a link get exactly the environment the application was
# started with (no variable it set for itself), and so does an application that a
# `parlino --read` with none running starts, besides the mark that it was started so.
# Usage: started-programs.sh <parlino> <parlino-accessible-probe>
set -euo pipefail
app="$1"
probe="$2"

work="$(mktemp -d)"
pid=""
stop_started() {
  set +e
  [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  pid="$(holder com.parlino.app)"
  [ -z "$pid" ] || kill "$pid"
  rm -rf "$work"
}
trap stop_started EXIT
fail() {
  echo "started-programs: $*" >&2
  [ ! -f "$work/app.log" ] || tail -n 20 "$work/app.log" >&2
  exit 1
}

# shellcheck source-path=SCRIPTDIR source=session-checks.sh
. "$(dirname "$0")/session-checks.sh"
nobody_holds() { [ -z "$(holder com.parlino.app)" ]; }
app_call() {
  gdbus call --session --dest com.parlino.app --object-path /com/parlino/app \
    --method "com.parlino.app.$1" "${@:2}" >/dev/null
}
press() {
  wait_until "\"$1\" on the accessibility bus" 15 "$probe" find "$@"
  # A pane laid out anew meanwhile (as the key pane is once the keyring answers) drops what was
  # found: find it again.
  wait_until "\"$1\" to take a press" 15 "$probe" press "$@"
}

# A home of its own, whose folders and web pages open in the stand-in.
home="$work/home"
use_home "$home"
mkdir -p "$home/data/applications"
cat >"$work/stand-in" <<'STAND_IN'
#!/bin/sh
env >"$0.environment.part"
printf '%s\n' "$@" >"$0.arguments"
mv "$0.environment.part" "$0.environment"
STAND_IN
chmod +x "$work/stand-in"
cat >"$home/data/applications/parlino-stand-in.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Stand-in
Exec=$work/stand-in %u
MimeType=inode/directory;x-scheme-handler/http;x-scheme-handler/https;
DESKTOP
printf '[Default Applications]\n%s\n%s\n%s\n' inode/directory=parlino-stand-in.desktop \
  x-scheme-handler/https=parlino-stand-in.desktop x-scheme-handler/http=parlino-stand-in.desktop \
  >"$home/config/mimeapps.list"

# The user's session as the application is started in it: a theme that is not installed (the
# application takes another for itself), no platform named (it names X11 for itself), a variable
# of the user's own. No desktop is named, so that xdg-open hands its environment on unchanged.
unset QT_QPA_PLATFORM XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
export QT_QPA_PLATFORMTHEME=qt5ct QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  PARLINO_TEST_MARK="the user's own"
# The environment the application's process $1 was started with, sorted (the shell's "_" aside),
# once the process runs it.
runs_app() { [ "$(readlink "/proc/$1/exe")" = "$(readlink -f "$app")" ]; }
starting_environment() {
  wait_until "process $1 to run the application" 30 runs_app "$1"
  tr '\0' '\n' <"/proc/$1/environ" | grep -v '^_=' | sort
}
# Fails unless $2 (a program's environment, sorted) is $1; $3 names the program.
same_environment() {
  local differences
  differences="$(diff "$1" "$2")" || fail "$3 got another environment:
$differences"
  echo "started-programs: $3 got the starting environment"
}
# Presses the panel's button $1 and waits for the stand-in, started on an argument that passes
# the test ($2 and on); checks its environment.
opens_stand_in() {
  rm -f "$work/stand-in.environment"
  press "$1" "Parlino Panel"
  wait_until "the stand-in" 30 test -f "$work/stand-in.environment"
  "${@:2}" "$(head -n 1 "$work/stand-in.arguments")" || fail "\"$1\" opened another place"
  same_environment "$starting" <(grep -v '^_=' "$work/stand-in.environment" | sort) "\"$1\""
}
is_web_page() { [[ "$1" == https://* ]]; }

"$app" >"$work/app.log" 2>&1 &
pid=$!
starting="$work/starting.environment"
starting_environment "$pid" >"$starting"
wait_until "the application" 60 logged "$work/app.log" 'tray: icon installed'
grep -q 'platform theme generic' "$work/app.log" || fail "the application took another theme"

app_call OpenPanel
press "Pin panel open" "Parlino Panel"
press "Settings" "Parlino Panel"
opens_stand_in "Open Recordings in File Manager" test -d
press "API Key" "Parlino Panel"
opens_stand_in "Go to API key" is_web_page

kill "$pid"
wait "$pid" || true
pid=""
wait_until "the application to leave the bus" 30 nobody_holds

# A read with none running starts the application; it is given the client's starting environment.
# The client waits for its text on a pipe until its environment has been read: handed over, it
# could otherwise be gone before the test looks.
mkfifo "$work/text"
"$app" --read <"$work/text" >"$work/client.log" 2>&1 &
client=$!
exec 3>"$work/text"
{
  starting_environment "$client"
  echo PARLINO_STARTED_FOR_HAND_OVER=1
} | sort >"$work/expected.environment"
printf 'Started for a read.' >&3
exec 3>&-
wait "$client" || fail "the read was not handed over: $(cat "$work/client.log")"
started="$(holder com.parlino.app)"
[ -n "$started" ] || fail "no application runs after the read"
same_environment "$work/expected.environment" <(starting_environment "$started") \
  "the application started for a read"
kill "$started"
