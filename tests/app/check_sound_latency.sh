#!/usr/bin/env bash
# The latency the show's pictures follow (said with -fps) agrees within 10 ms
# with what a PulseAudio server of its own reports for the show's stream: its
# buffer plus its sink's own latency, here a full pipe (64 KiB, 85 ms) that a
# second stream drains at the pace of a null sink.
#   check_sound_latency.sh SHOW
set -euo pipefail
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work HOME=$work
unset PULSE_SERVER PULSE_SINK
ask() { timeout 2 pactl "$@"; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
mkfifo "$work/pipe"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --load="module-null-sink sink_name=nul" \
    --load="module-pipe-sink sink_name=latent file=$work/pipe format=float32le rate=96000 channels=2" \
    --load=module-native-protocol-unix &>"$work/server.log" &
pids=$!
trap 'kill -KILL $pids 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
until ask info &>/dev/null; do [ $SECONDS -lt 10 ] || exit 1; sleep 0.1; done
ask set-default-sink latent
# The pipe's reader, and silence that has the pipe full before the show comes.
pacat -d nul --raw --format=float32le --rate=96000 --channels=2 --latency-msec=5 <"$work/pipe" &
pids+=" $!"
pacat -d latent /dev/zero &
pids+=" $!" && sleep 2
SDL_AUDIODRIVER=pulseaudio SDL_VIDEODRIVER=offscreen "$1" -window -fps 2>"$work/show.log" &
player=$! && pids+=" $player"
# The server's figures for the show's stream, nine times once the show has
# said its own: buffer + sink, and the sink's part.
totals=() sinks=()
while [ ${#totals[@]} -lt 9 ] && [ $SECONDS -lt 45 ]; do
    sleep 0.5
    grep -q "^Sound latency" "$work/show.log" || continue
    read -r total sink < <(ask list sink-inputs | awk -v pid="$player" '
        /Buffer Latency:/ { buffer = $3 } /Sink Latency:/ { sink = $3 }
        $1 == "application.process.id" && $3 == "\"" pid "\"" {
            print int((buffer + sink) / 1000 + 0.5), int(sink / 1000 + 0.5) }') || continue
    totals+=("$total") sinks+=("$sink")
done
said=$(sed -n 's/^Sound latency: \([0-9]*\) ms (sound server).*/\1/p' "$work/show.log")
echo "show: ${said:-nothing} ms from the server; server: ${totals[*]:-nothing} ms," \
    "of which the sink: ${sinks[*]:-nothing} ms"
[ -n "$said" ] && [ ${#totals[@]} -ge 5 ] && [ "$(median "${sinks[@]}")" -ge 50 ] &&
    [ $((said - $(median "${totals[@]}"))) -le 10 ] &&
    [ $(($(median "${totals[@]}") - said)) -le 10 ] || {
    cat "$work/show.log" "$work/server.log"
    exit 1
}
