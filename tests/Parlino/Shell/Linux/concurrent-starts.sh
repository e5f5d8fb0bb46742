#!/usr/bin/env bash
# Starts of the real application at the same instant, in the desktop session of
# scripts/ci-services.sh, round after round:
#   starts   $CLIENTS plain starts with none running (a launcher clicked twice, autostart beside
#            the user);
#   reads    $CLIENTS `parlino --read` with none running;
#   quitting $CLIENTS starts and reads, half each, as the running one quits.
# After each round one process holds both the application's name and the media player's, the
# media player answers, every other start exited 0 without a launch step, and every text was
# taken by the application that runs at the end. With TRACE=1 each start runs under strace, and
# no other process than that one may have touched the application's folders (strace is not
# among the test packages).
# Usage: concurrent-starts.sh <parlino> <speech stand-in>
#   (ROUNDS=10 CLIENTS=10 KINDS="starts reads quitting" TRACE=0; KEEP=1 leaves the round's files in
#   place after a failure and says where)
set -euo pipefail
app="$1"
app_path="$(readlink -f "$app")"
stand_in="$2"
rounds="${ROUNDS:-10}"
clients="${CLIENTS:-10}"
trace="${TRACE:-0}"
kinds_of_rounds="${KINDS:-starts reads quitting}"

work="$(mktemp -d)"
started=()
stop_started() {
  local pid
  set +e
  pid="$(holder com.parlino.app)"
  [ -z "$pid" ] || kill "$pid"
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap stop_started EXIT
fail() {
  echo "concurrent-starts: $*" >&2
  if [ "${KEEP:-0}" = 1 ]; then
    echo "concurrent-starts: the round's files are in $work" >&2
    work=/nonexistent
  fi
  exit 1
}

# shellcheck source-path=SCRIPTDIR source=session-checks.sh
. "$(dirname "$0")/session-checks.sh"
unique_name() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetNameOwner "$1" 2>/dev/null | sed -n "s/^('\(.*\)',)$/\1/p"
}
player_answers() {
  gdbus call --session --dest org.mpris.MediaPlayer2.parlino --object-path /org/mpris/MediaPlayer2 \
    --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2 Identity | grep -qF Parlino
}
nobody_holds() { [ -z "$(holder com.parlino.app)" ] && [ -z "$(holder org.mpris.MediaPlayer2.parlino)" ]; }

# A home of its own, against the stand-in service, with the key in the session's keyring.
home="$work/home"
use_home "$home"
export QT_QPA_PLATFORM=xcb
"$stand_in" >"$work/stand-in.log" 2>&1 &
started+=($!)
wait_until "the stand-in service" 30 logged "$work/stand-in.log" '^http://'
PARLINO_SERVICE_URL="$(head -n 1 "$work/stand-in.log")"
export PARLINO_SERVICE_URL
printf 'sk_stand_in_key' | secret-tool store --label=Parlino service com.parlino.app \
  account elevenlabs-api-key

# Which connection each text handed over went to: the calls and their answers, as the bus saw them.
dbus-monitor --session --profile "type='method_call',member='ReadWithParlino'" \
  "type='method_return'" >"$work/bus.log" 2>/dev/null &
started+=($!)
sleep 0.5 # the monitor takes its place on the bus
# How many texts the connection $1 answered having taken.
texts_taken() {
  awk -F'\t' -v by="$1" '
    $1 == "mc" && $8 == "ReadWithParlino" { call[$4 " " $3] = 1 }
    $1 == "mr" && (($5 " " $6) in call) && $4 == by { taken[$5 " " $6] = 1 }
    END { print length(taken) }' "$work/bus.log"
}

# Starts client $2 of the round, a "start" or a "read"; its pid goes to $pids.
client() {
  local kind="$1" number="$2" log="$work/round-$round/$1-$2"
  local wrapper=()
  [ "$trace" != 1 ] || wrapper=(strace -f -q -o "$log.trace" -e "trace=%file,clone,clone3,fork,vfork")
  if [ "$kind" = read ]; then
    printf 'Text %s of round %s.' "$number" "$round" |
      "${wrapper[@]}" "$app" --read >"$log.err" 2>&1 &
  else
    "${wrapper[@]}" "$app" >"$log.err" 2>&1 &
  fi
  pids+=($!)
  kinds+=("$kind-$number")
}

# The process of client $1: under strace, the one strace started.
client_pid() {
  if [ "$trace" = 1 ]; then
    awk 'NR == 1 { print $1; exit }' "$work/round-$round/${kinds[$1]}.trace"
  else
    echo "${pids[$1]}"
  fi
}
# Under strace, its exit status once it has ended.
traced_status() {
  awk -v pid="$(client_pid "$1")" '$1 == pid && / exited with / { print $(NF - 1) }
    $1 == pid && / killed by / { print "killed" }' "$work/round-$round/${kinds[$1]}.trace"
}
client_ended() {
  if [ "$trace" = 1 ]; then
    [ -n "$(traced_status "$1")" ]
  elif kill -0 "${pids[$1]}" 2>/dev/null; then
    return 1
  fi
}

# Checks the end of round $round: one process holds both names, other than $1 (the one that
# quit), answers as the media player, every other client exited 0 without a launch step, and every
# text was taken.
check_round() {
  local quit="${1:-}" i status app_pid reads=0 others=0 err
  wait_until "round $round's application to hold both names" 60 holds_both "$quit"
  app_pid="$(holder com.parlino.app)"
  wait_until "round $round's media player to answer" 30 player_answers
  for i in "${!pids[@]}"; do
    [ "${kinds[i]%-*}" != read ] || reads=$((reads + 1))
    wait_until "round $round's ${kinds[i]} to start" 20 client_pid "$i"
    [ "$(client_pid "$i")" != "$app_pid" ] || continue
    others=$((others + 1))
    wait_until "round $round's ${kinds[i]} to end" 60 client_ended "$i"
    status=0
    if [ "$trace" = 1 ]; then status="$(traced_status "$i")"; else wait "${pids[i]}" || status=$?; fi
    err="$work/round-$round/${kinds[i]}.err"
    [ "$status" = 0 ] || fail "round $round: ${kinds[i]} exited $status: $(cat "$err")"
    if [ "${kinds[i]%-*}" = start ] && grep -m 3 -E 'launch:|tray:|media player|cache reconcile' "$err"; then
      fail "round $round: ${kinds[i]} ran a launch step and exited"
    fi
  done
  # The starts that clients made end too, once one holds the name.
  wait_until "round $round's other starts to end" 60 alone "$app_pid"
  local taken
  taken="$(texts_taken "$(unique_name com.parlino.app)")"
  [ "$taken" -ge "$reads" ] || fail "round $round: $taken of $reads texts taken by the application"
  if [ "$trace" = 1 ]; then
    # What processes other than the application (its threads and what it started among them)
    # did in its folders.
    local touched
    touched="$(awk -v app="$app_pid" -v folders="\"$home/(data/Parlino|cache/com.parlino.app|config/Parlino)" '
      # A new thread or process, as "clone3(...) = N" or "<... clone3 resumed>...) = N".
      $0 ~ /^[0-9]+ +(<\.\.\. )?(clone|clone3|fork|vfork)[( ]/ && $(NF - 1) == "=" && $NF ~ /^[0-9]+$/ {
        child[$1] = child[$1] " " $NF
      }
      $0 ~ folders { touched[++n] = $0 }
      END {
        family[app] = 1
        for (grew = 1; grew;) {
          grew = 0
          for (parent in family) {
            split(child[parent], children, " ")
            for (c in children) if (!(children[c] in family)) { family[children[c]] = 1; grew = 1 }
          }
        }
        for (i = 1; i <= n; i++) { split(touched[i], f, " "); if (!(f[1] in family)) print touched[i] }
      }' "$work/round-$round/"*.trace | head -n 5)"
    [ -z "$touched" ] || fail "round $round: another process touched the application's folders: $touched"
  fi
  echo "round $round: $app_pid holds both names and answers, $others other clients exited 0," \
    "$taken of $reads texts taken"
}
# Whether the process $1 is the only one that runs the application.
alone() {
  local exe
  for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" != "$app_path" ] || [ "$exe" = "/proc/$1/exe" ] || return 1
  done
}

# Whether one process, not $1, holds both names.
holds_both() {
  local pid
  pid="$(holder com.parlino.app)"
  [ -n "$pid" ] && [ "$pid" != "${1:-}" ] && [ "$pid" = "$(holder org.mpris.MediaPlayer2.parlino)" ]
}

stop_application() {
  local pid
  pid="$(holder com.parlino.app)"
  kill "$pid"
  wait_until "the application to quit" 30 nobody_holds
  wait_until "the application's process to end" 30 bash -c "! kill -0 $pid"
}

for ((number = 1; number <= rounds; number++)); do
  for kind in $kinds_of_rounds; do
    round="$number-$kind"
    mkdir -p "$work/round-$round"
    pids=()
    kinds=()
    quit=""
    if [ "$kind" = quitting ]; then
      "$app" >"$work/round-$round/first.err" 2>&1 &
      quit=$!
      wait_until "the first application" 60 logged "$work/round-$round/first.err" 'tray: icon installed'
      kill "$quit"
    fi
    for ((i = 1; i <= clients; i++)); do
      case "$kind" in
      starts) client start "$i" ;;
      reads) client read "$i" ;;
      quitting) client "$([ $((i % 2)) = 0 ] && echo read || echo start)" "$i" ;;
      esac
    done
    check_round "$quit"
    [ -z "$quit" ] || wait "$quit" || true
    stop_application
    # Under strace the tracers end with the last process they followed.
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  done
done
echo "concurrent-starts: $rounds rounds of $clients clients passed"
