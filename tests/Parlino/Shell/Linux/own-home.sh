#!/usr/bin/env bash
# What scripts/with-own-home.sh, which the desktop sessions of the end-to-end tests run in, gives a
# command: a HOME, XDG folders and a runtime folder of its own, none of them the caller's; once the
# command has ended, a daemon it left running is stopped (one that ignores the request to end,
# too), the home is removed, and the script ends with the command's status.
# Usage: own-home.sh <with-own-home.sh>
set -euo pipefail
script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "own-home: $*" >&2
  exit 1
}
# Whether process $1 still runs: a zombie that nobody reaps has ended.
runs() { ps -o stat= -p "$1" | grep -qv '^Z'; }

mkdir "$work/account"
status=0
# shellcheck disable=SC2016 # expanded by the command
HOME="$work/account" XDG_CONFIG_HOME="$work/account/config" "$script" bash -c '
  printf "%s\n" "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" \
    "$XDG_RUNTIME_DIR" >"$0/folders"
  touch "$XDG_CONFIG_HOME/settings" "$XDG_RUNTIME_DIR/socket"
  setsid sh -c "trap \"\" TERM; exec sleep 300" </dev/null >/dev/null 2>&1 &
  echo $! >"$0/daemon"
  exit 7' "$work" || status=$?

[ "$status" = 7 ] || fail "ended with status $status, not the command's 7"
home="$(head -n 1 "$work/folders")"
[ "$home" != "$work/account" ] || fail "the command ran in the caller's home"
while read -r folder; do
  case "$folder" in "$home"/?*) ;; *) fail "$folder is not a folder in the home $home" ;; esac
done < <(tail -n +2 "$work/folders")
[ ! -e "$home" ] || fail "the home $home is left behind"
[ -z "$(ls -A "$work/account")" ] || fail "the caller's home was written to"
daemon="$(cat "$work/daemon")"
if runs "$daemon"; then
  kill -KILL "$daemon"
  fail "the daemon $daemon still runs"
fi
