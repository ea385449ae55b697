#!/usr/bin/env bash
# The show on Wayland in a Weston of its own on Xvfb, where Escape can be pressed; its protocol
# log gives its buffers' size and scale, the output it fills. 77: Xvfb or Weston cannot start.
#   check_wayland.sh SHOW scaled|two-displays|to-the-end
set -u -o pipefail
show=$1 layout=$2 work=$(mktemp -d) failed=0
export XDG_RUNTIME_DIR=$work HOME=$work && chmod 700 "$work" && unset WAYLAND_DISPLAY SDL_VIDEODRIVER
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
started() { # NAME LOG TEST...
    for _ in $(seq 300); do "${@:3}" && return; sleep 0.1; done
    echo "SKIPPED: $1 cannot start: $(tail -2 "$2")" && exit 77
}
Xvfb -displayfd 3 -nolisten tcp -screen 0 2048x1024x24 3>"$work/x" 2>"$work/x.log" &
started Xvfb "$work/x.log" test -s "$work/x" && export DISPLAY=:$(cat "$work/x")
printf '[output]\nname=X1\nmode=1024x768\n[output]\nname=X2\nmode=800x600\n' >"$work/two.ini"
outputs=(--no-config --width=512 --height=384 --scale=2)
[ "$layout" = two-displays ] && outputs=(--config="$work/two.ini" --output-count=2)
weston --backend=x11-backend.so --use-pixman "${outputs[@]}" --socket=hv --debug --log="$work/w.log" &
started Weston "$work/w.log" grep -qs "launching.*desktop-shell" "$work/w.log"

# run WANT SHOT ARGS...: the show until its title has shown the frame rate twice (or until
# it ends by itself), the screenshot's four quarters lit unless SHOT is -, then Escape.
run() {
    local want=$1 shot=$2 log=$work/show.log start=$SECONDS why="" && shift 2 && : >"$log"
    WAYLAND_DEBUG=client WAYLAND_DISPLAY=hv SDL_VIDEODRIVER=wayland SDL_AUDIODRIVER=dummy \
        "$show" -fps "$@" 2>"$log" & local player=$!
    while kill -0 $player 2>/dev/null && [ $((SECONDS - start)) -lt 150 ] &&
        { [ $layout = to-the-end ] || [ "$(grep -c 'set_title("FPS:' "$log")" -lt 2 ]; }; do sleep 0.2; done
    [ $layout != to-the-end ] || { ! kill -0 $player && [ $((SECONDS - start)) -ge 103 ]; } 2>/dev/null ||
        why+=" it did not end by itself at 103 s;"
    [ "$shot" = - ] || { (cd "$work" && WAYLAND_DISPLAY=hv weston-screenshooter) &&
        /usr/bin/python3 -c 'import sys; from PIL import Image; p = Image.open(sys.argv[1]).convert("L")
w, h = p.size; sys.exit(min(sum(p.crop((x, y, x + w // 2, y + h // 2)).getdata()) for x in (0, w // 2)
                            for y in (0, h // 2)) < 4 * w * h)' "$work"/wayland-screenshot*.png; } ||
        why+=" part of the output is dark;"
    xdotool mousemove 40 40 key Escape && timeout 10 tail --pid=$player -f /dev/null
    kill -9 $player 2>/dev/null && why+=" Escape did not end it;"
    wait $player || why+=" exit $?;"
    local seen && seen=$(awk 'function id(k) { match($0, k "@[0-9]+"); return substr($0, RSTART, RLENGTH) }
        { split($0, a, /[(,)] */) }
        /create_buffer\(/ { size[id("wl_buffer")] = a[4] "x" a[5] }
        /wl_output@[0-9]+\.mode\(/ { mode[id("wl_output")] = a[3] "x" a[4] }
        /-> wl_surface@[0-9]+\.set_buffer_scale\(/ { scale[id("wl_surface")] = a[2] }
        /\.set_fullscreen\(wl_output/ { full = mode[id("wl_output")] }
        /-> wl_surface@[0-9]+\.attach\(wl_buffer/ { b = size[id("wl_buffer")]; split(b, wh, "x")
            if (wh[1] * wh[2] >= most) { most = wh[1] * wh[2]; s = id("wl_surface"); shown = b } }
        END { print shown, (s in scale ? scale[s] : 1), (full ? full : "-") }' "$log")
    [ "$seen" = "$want" ] || why+=" buffer, scale, full-screen mode $seen, not $want;"
    echo "${why:+FAILED:}${why:-ok: $seen} (hallatorvo -fps $*, $((SECONDS - start)) s)"
    [ -z "$why" ] || { grep -v "callback\|frame(\|damage\|commit" "$log" | tail -20 && failed=1; }
}

# buffer, buffer scale and full-screen output mode | screenshot | arguments
case $layout in
scaled) run "1024x768 2 1024x768" shot; run "1600x1200 2 -" - -window ;;
two-displays) run "1024x768 1 1024x768" -; run "800x600 1 800x600" - -display 1 ;;
to-the-end) run "1024x768 2 1024x768" - ;;
esac
exit $failed
