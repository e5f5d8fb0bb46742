# shellcheck shell=bash disable=SC2034,SC2154 # the caller sets bench and uses what this sets
# The start that the benchmarks of the real application share, sourced with the benchmark's own
# arguments ([build-dir]) once `bench` names it: runs the benchmark again inside a private
# desktop session (scripts/ci-services.sh) from the repository's root, and sets `build`,
# `app_binary` and `work`, a folder removed on exit together with the processes listed in
# `pids`. `fail` shows the end of the file `log` names, if any.
script="$(realpath "$0")"
root="$(dirname "$script")/.."
build="$(realpath "${1:-${PARLINO_BUILD_DIR:-$root/build}}")"
cd "$root" || exit 1
if [ -z "${PARLINO_DESKTOP_SESSION:-}" ]; then
  exec scripts/ci-services.sh "$script" "$build"
fi
app_binary="$build/src/Parlino/parlino"

work="$(mktemp -d)"
pids=()
log=""
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb
fail() { echo "$bench: $*" >&2; [ ! -f "$log" ] || tail -20 "$log" >&2; exit 1; }
# Fails unless each binary given is built.
need_built() {
  local binary
  for binary in "$@"; do [ -x "$binary" ] || fail "$binary is missing; build first"; done
}

# Polls a check (the remaining arguments) every 50 ms for up to 20 s.
wait_for() {
  local what="$1" tries
  shift
  for tries in $(seq 400); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  fail "waited in vain for $what"
}
logged() { grep -q -- "$1" "$log"; }
shown() { xdotool search --onlyvisible --name "^$1\$"; }
not_shown() { ! shown "$1"; }
mpris() {
  gdbus call --session --dest org.mpris.MediaPlayer2.parlino --object-path /org/mpris/MediaPlayer2 \
    --method "$@"
}
status_is() {
  mpris org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player PlaybackStatus |
    grep -q "'$1'"
}
read_text() {
  gdbus call --session --dest com.parlino.app --object-path /com/parlino/app \
    --method com.parlino.app.ReadWithParlino "$1" >/dev/null
}
# Starts the stand-in for the service in mode $1 and stores a key for it; sets `service_url`.
start_stand_in() {
  local stand_in_binary="$build/tests/support/parlino-speech-stand-in"
  need_built "$stand_in_binary"
  "$stand_in_binary" "$1" >"$work/stand-in.log" 2>&1 &
  pids+=($!)
  wait_for "the stand-in service" grep -q '^http://' "$work/stand-in.log"
  service_url="$(head -n 1 "$work/stand-in.log")"
  printf bench | secret-tool store --label=Parlino service com.parlino.app account elevenlabs-api-key
}

# Starts the application in a home of its own ($1), talking to the stand-in, and waits until
# its tray icon is installed; `seen` marks the tutorial as seen, and $3 holds more settings as
# members of the settings file's values ('"rightCommandTapEnabled":{"bool":false}'). Sets `app`
# and `log`.
launch() {
  local home="$work/$1" values=""
  shift
  mkdir -p "$home/config/Parlino" "$home/data" "$home/cache"
  [ "${1:-}" != seen ] || values='"hasSeenOnboarding":{"bool":true}'
  [ -z "${2:-}" ] || values="${values:+$values,}$2"
  [ -z "$values" ] || printf '{"format":"parlino-defaults","version":1,"values":{%s}}' "$values" \
    >"$home/config/Parlino/com.parlino.app.json"
  log="$home/out.log"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_CACHE_HOME="$home/cache" PARLINO_SERVICE_URL="$service_url" "$app_binary" >"$log" 2>&1 &
  app=$!
  pids+=("$app")
  wait_for "the tray icon" logged "tray: icon installed"
}
quit() {
  kill "$app"
  wait "$app" 2>/dev/null || true
  app=""
}
