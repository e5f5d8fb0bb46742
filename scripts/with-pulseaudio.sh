#!/usr/bin/env bash
# Runs a command beside a private, headless PulseAudio server with one null sink, all in a home of
# its own (scripts/with-own-home.sh), and stops exactly what it started. A parec keeper records the
# sink's monitor (float32, 44.1 kHz, mono) into the file named by PARLINO_PULSE_CAPTURE, so that a
# test can check what was played.
# Usage: scripts/with-pulseaudio.sh <command> [args...]
set -euo pipefail
[ "$#" -gt 0 ] || { echo "usage: with-pulseaudio.sh <command> [args...]" >&2; exit 2; }

# Inside a session that runs our server already (scripts/ci-services.sh): play into that one.
if [ -n "${PARLINO_PULSE_CAPTURE:-}" ] && pactl info >/dev/null 2>&1; then
  exec "$@"
fi

# The server's session bus: one private dbus-run-session around everything else, in a home of its
# own, so that the services the bus starts on demand (settings, keyring) start there too.
if [ -z "${PARLINO_PULSE_SESSION:-}" ]; then
  exec env PARLINO_PULSE_SESSION=1 "$(dirname "$0")/with-own-home.sh" \
    dbus-run-session -- "$0" "$@"
fi

export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
export PARLINO_PULSE_CAPTURE="$XDG_RUNTIME_DIR/capture.f32"
unset PULSE_SERVER
server_pid=""
keeper_pid=""

stop_started() {
  [ -n "$keeper_pid" ] && kill "$keeper_pid" 2>/dev/null && wait "$keeper_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
}
trap stop_started EXIT

pulseaudio --daemonize=no --exit-idle-time=-1 -n --log-target=stderr --log-level=error \
  --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=null rate=44100" &
server_pid=$!

for _ in $(seq 600); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$server_pid" 2>/dev/null || { echo "with-pulseaudio: the server did not start" >&2; exit 1; }
  sleep 0.05
done
pactl info >/dev/null 2>&1 || { echo "with-pulseaudio: the server did not answer" >&2; exit 1; }

# A fresh null sink delays new streams by up to two seconds unless something records from it,
# and it still sleeps through its first period: play a moment of silence to wake it.
parec -d null.monitor --latency-msec=20 --format=float32le --rate=44100 --channels=1 --raw \
  > "$PARLINO_PULSE_CAPTURE" &
keeper_pid=$!
for _ in $(seq 600); do
  [ -n "$(pactl list short source-outputs 2>/dev/null)" ] && break
  sleep 0.05
done
head -c 4410 /dev/zero | pacat --raw --format=s16le --rate=44100 --channels=1 --latency-msec=20

set +e
"$@"
status=$?
set -e
exit "$status"
