#!/usr/bin/env bash
# The latency the show's pictures follow (said with -fps) agrees within 15 ms
# with what a PulseAudio server of its own, on a null sink, reports for the
# show's stream: its buffer plus the sink's latency.
#   check_sound_latency.sh SHOW
set -euo pipefail
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work HOME=$work
unset PULSE_SERVER
pulseaudio -n --daemonize=no --exit-idle-time=-1 --load="module-null-sink sink_name=nul" \
    --load=module-native-protocol-unix &>"$work/server.log" &
server=$!
player=
trap 'kill -KILL $player $server 2>/dev/null || true; wait || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break || sleep 0.1; done
SDL_AUDIODRIVER=pulseaudio SDL_VIDEODRIVER=offscreen "$1" -window -fps 2>"$work/show.log" &
player=$!
# The server's figure for the show's stream, five times once the show has said its own.
readings=()
for _ in $(seq 60); do
    sleep 0.5
    grep -q "^Sound latency" "$work/show.log" || continue
    readings+=($(pactl list sink-inputs | awk -v pid="$player" '
        /Buffer Latency:/ { buffer = $3 } /Sink Latency:/ { sink = $3 }
        $1 == "application.process.id" && $3 == "\"" pid "\"" { print int((buffer + sink) / 1000 + 0.5) }'))
    [ ${#readings[@]} -ge 5 ] && break
done
kill -TERM $player && wait $player
said=$(sed -n 's/^Sound latency: \([0-9]*\) ms (sound server).*/\1/p' "$work/show.log")
median=$(printf '%s\n' "${readings[@]}" | sort -n | sed -n "$(((${#readings[@]} + 1) / 2))p")
echo "show: ${said:-nothing} ms from the server; server: ${readings[*]:-nothing} ms"
[ -n "$said" ] && [ ${#readings[@]} -ge 3 ] && [ $((said - median)) -le 15 ] &&
    [ $((median - said)) -le 15 ] || { cat "$work/show.log" "$work/server.log"; exit 1; }
