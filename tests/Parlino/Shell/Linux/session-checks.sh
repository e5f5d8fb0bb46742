# shellcheck shell=bash
# The checks that the shell end-to-end tests make of the desktop session of
# scripts/ci-services.sh. Sourced; the sourcing script defines `fail MESSAGE`, which ends it.

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

# Whether the file $1 holds a line that matches the extended expression $2.
logged() { grep -qE "$2" "$1"; }

# The process that holds a name on the session bus; nothing when none does.
holder() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID "$1" 2>/dev/null |
    sed -n 's/^(uint32 \([0-9]*\),)$/\1/p'
}

# Makes $1 a home of the application's own, its tutorial seen, and exports it with its folders.
use_home() {
  mkdir -p "$1/config/Parlino" "$1/data" "$1/cache"
  printf '%s' '{"format":"parlino-defaults","version":1,"values":{"hasSeenOnboarding":{"bool":true}}}' \
    >"$1/config/Parlino/com.parlino.app.json"
  export HOME="$1" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
}
