#!/usr/bin/env bash
# The show through a PulseAudio server: the sound latency its pictures follow
# (said with -fps) agrees within 15 ms with what the server's own tool reports
# for the show's stream, its buffer plus the sink's latency.
#
#   check_sound_latency.sh SHOW
#
# Starts a server of its own on a null sink in a private runtime directory, so
# that it needs no sound hardware and leaves any running server alone; stops it
# and removes the directory at the end.
set -euo pipefail
show=$1
tolerance_ms=15

work=$(mktemp -d)
server=
player=
cleanup() {
    [ -n "$player" ] && kill -KILL "$player" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work HOME=$work
unset PULSE_SERVER

pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
    --load="module-null-sink sink_name=nul" --load=module-native-protocol-unix \
    2>"$work/server.log" &
server=$!
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null || { cat "$work/server.log"; echo "FAIL: no sound server"; exit 1; }

SDL_AUDIODRIVER=pulseaudio SDL_VIDEODRIVER=offscreen "$show" -window -fps 2>"$work/show.log" &
player=$!
# The show's stream as the server lists it, once the show has said its figure.
readings=()
for _ in $(seq 60); do
    sleep 0.5
    grep -q "^Sound latency" "$work/show.log" || continue
    reading=$(pactl list sink-inputs | awk -v pid="$player" '
        /^Sink Input #/ { buffer = sink = "" }
        /Buffer Latency:/ { buffer = $3 }
        /Sink Latency:/ { sink = $3 }
        $1 == "application.process.id" && $3 == "\"" pid "\"" { print int((buffer + sink) / 1000 + 0.5) }')
    [ -n "$reading" ] && readings+=("$reading")
    [ ${#readings[@]} -ge 5 ] && break
done
kill -TERM "$player"
status=0
wait "$player" || status=$?
player=

said=$(sed -n 's/^Sound latency: \([0-9]*\) ms (\(.*\)).*/\1 \2/p' "$work/show.log")
echo "show: ${said:-nothing}; server: ${readings[*]:-nothing} (ms)"
[ "$status" -eq 0 ] || { cat "$work/show.log"; echo "FAIL: the show ended with $status"; exit 1; }
[ -n "$said" ] || { cat "$work/show.log"; echo "FAIL: the show said no latency"; exit 1; }
[ "${said#* }" = "sound server" ] || { echo "FAIL: the show did not ask the server"; exit 1; }
[ ${#readings[@]} -ge 3 ] || { echo "FAIL: the server did not list the show's stream"; exit 1; }
median=$(printf '%s\n' "${readings[@]}" | sort -n | sed -n "$(((${#readings[@]} + 1) / 2))p")
difference=$((${said%% *} - median))
if [ "${difference#-}" -gt "$tolerance_ms" ]; then
    echo "FAIL: the show follows ${said%% *} ms, the server reports $median ms"
    exit 1
fi
echo "OK: the show follows ${said%% *} ms, the server reports $median ms (median)"
