#!/usr/bin/env bash
# The show on Wayland, in a Weston compositor of its own: Weston's X11 backend
# in a virtual X server, where a key can be pressed. What the show asks of the
# compositor is read from its protocol log (WAYLAND_DEBUG): the size of the
# buffers on its surface, their scale, the output it goes full screen on.
#   check_wayland.sh SHOW scaled        one output at scale 2 (1024 x 768 pixels):
#                                       full screen has every pixel and covers
#                                       the output, a window has twice its size
#   check_wayland.sh SHOW two-displays  1024 x 768 beside 800 x 600: -display
#                                       picks the output full screen covers
#   check_wayland.sh SHOW to-the-end    the show ends by itself after 103 s
# Each run ends with Escape and must exit 0. Exits 77 (skipped) only when the
# X server or the compositor cannot start.
set -u -o pipefail
show=$1 layout=$2
work=$(mktemp -d)
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work HOME=$work
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
pids=""
trap 'kill $pids 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
skip() {
    echo "SKIPPED: $*"
    exit 77
}

Xvfb -displayfd 3 -nolisten tcp -screen 0 2048x1024x24 3>"$work/x" 2>"$work/xvfb.log" &
pids=$!
until [ -s "$work/x" ]; do
    kill -0 $pids 2>/dev/null && [ $SECONDS -lt 15 ] ||
        skip "Xvfb cannot start: $(tail -3 "$work/xvfb.log")"
    sleep 0.1
done
export DISPLAY=:$(cat "$work/x")
if [ "$layout" = two-displays ]; then
    printf '[output]\nname=X1\nmode=1024x768\n[output]\nname=X2\nmode=800x600\n' >"$work/weston.ini"
    outputs=(--config="$work/weston.ini" --output-count=2)
else
    outputs=(--no-config --width=512 --height=384 --scale=2)
fi
weston --backend=x11-backend.so --use-pixman "${outputs[@]}" --socket=hv --idle-time=0 --debug \
    --log="$work/weston.log" &
pids+=" $!"
until [ -S "$work/hv" ] && grep -q "launching.*desktop-shell" "$work/weston.log" 2>/dev/null; do
    kill -0 $! 2>/dev/null && [ $SECONDS -lt 30 ] ||
        skip "weston cannot start: $(tail -3 "$work/weston.log" 2>/dev/null)"
    sleep 0.1
done
sleep 1

# What the show's surface was shown with, from its protocol log: the last
# buffer's size, the buffer scale, and the mode of the output it asked to
# cover ("-" when it asked for none).
surface() {
    awk '
    function id(kind) { match($0, kind "@[0-9]+"); return substr($0, RSTART, RLENGTH) }
    function args(call) { split(substr($0, index($0, call "(") + length(call) + 1), a, /[,)] ?/) }
    /create_buffer\(new id/ { b = id("wl_buffer"); args("create_buffer"); size[b] = a[3] "x" a[4] }
    /wl_output@[0-9]+\.mode\(/ { o = id("wl_output"); args("mode"); mode[o] = a[2] "x" a[3] }
    /-> wl_surface@[0-9]+\.attach\(wl_buffer/ {
        s = id("wl_surface"); sub(/.*attach\(/, ""); match($0, /wl_buffer@[0-9]+/)
        b = substr($0, RSTART, RLENGTH); split(size[b], wh, "x")
        if (wh[1] * wh[2] >= area) { area = wh[1] * wh[2]; shown = s; shownSize = size[b] }
    }
    /-> wl_surface@[0-9]+\.set_buffer_scale\(/ { s = id("wl_surface"); args("set_buffer_scale"); scale[s] = a[1] }
    /set_fullscreen\(wl_output@/ { sub(/.*set_fullscreen\(/, ""); full = mode[id("wl_output")] }
    END { print shownSize, (shown in scale ? scale[shown] : 1), (full == "" ? "-" : full) }' "$1"
}

# The output's pixels as the compositor shows them: whether each quarter of
# the first w x h holds a picture rather than darkness.
quartersLit() {
    (cd "$work" && rm -f wayland-screenshot*.png && WAYLAND_DISPLAY=hv weston-screenshooter) &&
        /usr/bin/python3 - "$work"/wayland-screenshot*.png "$1" "$2" <<'EOF'
import sys
from PIL import Image, ImageStat
picture, w, h = Image.open(sys.argv[1]).convert("L"), int(sys.argv[2]), int(sys.argv[3])
means = [ImageStat.Stat(picture.crop((x, y, x + w // 2, y + h // 2))).mean[0]
         for x in (0, w // 2) for y in (0, h // 2)]
print("quarter brightness", " ".join("%.0f" % m for m in means))
sys.exit(0 if min(means) > 16 else 1)
EOF
}

# One run: the show until its title has shown the frame rate twice (or, to
# the end, until it ends by itself), then Escape.
failed=0 n=0
run() {
    local expected=$1 lit=$2 limit=$3
    shift 3
    local log=$work/show$((n += 1)).log started=$SECONDS
    : >"$log"
    WAYLAND_DEBUG=client WAYLAND_DISPLAY=hv SDL_VIDEODRIVER=wayland SDL_AUDIODRIVER=dummy \
        "$show" -fps "$@" 2>"$log" &
    local player=$! verdict="" code
    pids+=" $player"
    while kill -0 $player 2>/dev/null && [ $((SECONDS - started)) -lt "$limit" ] &&
        { [ "$limit" -gt 60 ] || [ "$(grep -c 'set_title("FPS:' "$log")" -lt 2 ]; }; do
        sleep 0.2
    done
    if [ "$limit" -gt 60 ] && { kill -0 $player 2>/dev/null || [ $((SECONDS - started)) -lt 103 ]; }; then
        verdict+=" (it did not end by itself after 103 s)"
    fi
    local seen
    seen=$(surface "$log")
    if [ "$lit" != - ] && ! quartersLit ${lit/x/ }; then
        verdict+=" (the picture leaves part of the output dark)"
    fi
    xdotool mousemove 40 40 key Escape 2>/dev/null
    for _ in $(seq 50); do kill -0 $player 2>/dev/null || break; sleep 0.2; done
    kill -0 $player 2>/dev/null && { verdict+=" (Escape did not end it)" && kill -9 $player; }
    wait $player
    code=$?
    [ $code = 0 ] || verdict+=" (exit $code)"
    [ "$seen" = "$expected" ] || verdict+=" (want buffer, scale, full-screen mode $expected)"
    echo "${verdict:+FAILED}${verdict:-ok}: hallatorvo -fps $*: buffer, scale, full-screen mode" \
        "$seen after $((SECONDS - started)) s"
    if [ -n "$verdict" ]; then
        grep -v "wl_callback\|\.frame(\|\.damage\|\.commit()" "$log" | tail -20
        failed=1
    fi
}

# expected buffer, scale, output | screenshot quarters | time limit | arguments
case $layout in
scaled)
    run "1024x768 2 1024x768" 1024x768 40
    run "1600x1200 2 -" - 40 -window
    ;;
two-displays)
    run "1024x768 1 1024x768" - 40
    run "800x600 1 800x600" - 40 -display 1
    ;;
to-the-end)
    run "1024x768 2 1024x768" - 150
    ;;
esac
exit $failed
