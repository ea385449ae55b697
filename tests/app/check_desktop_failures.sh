#!/usr/bin/env bash
# The show's refusals as a user meets them, from an empty environment (no X, no Wayland): the
# exit code, the stream that explains it, nothing on the other one and no sound (the disk
# driver's file never appears). Under the dummy driver a window tried fails to get its GL.
#   check_desktop_failures.sh SHOW
set -uf -o pipefail
show=$1 work=$(mktemp -d) failed=0
trap 'rm -rf "$work"' EXIT
usage=$(env -i "$show" --help) && [[ $usage == "usage: hallatorvo "* ]] || exit 1
# exit | stream | what it says | environment (-: none) | arguments
while IFS='|' read -r code stream says environment arguments; do
    read -r code stream environment <<<"$code $stream $environment"
    says=$(echo $says) arguments=$(echo $arguments) && [ "$environment" != - ] || environment=
    [[ $says == "unknown switch"* ]] && says="hallatorvo: $says"$'\n'"$usage"
    # shellcheck disable=SC2086 # the table's words are the command line
    timeout -k 5 20 env -i PATH="$PATH" HOME="$work" XDG_RUNTIME_DIR="$work" $environment \
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard" "$show" $arguments \
        >"$work/stdout" 2>"$work/stderr"
    got=$? other=stderr && [ "$stream" = stdout ] || other=stdout
    [ $got = "$code" ] && [[ $(<"$work/$stream") == *"$says"* ]] && [ ! -s "$work/$other" ] &&
        [ ! -e "$work/heard" ] && echo "ok: $environment hallatorvo $arguments: $got" && continue
    echo "FAILED: $environment hallatorvo $arguments: exit $got, not $code;" \
        "$([ -e "$work/heard" ] && echo "sound played;") $stream should say: $says"
    cat "$work/stdout" "$work/stderr" && rm -f "$work/heard" && failed=1
done <<'EOF'
0 | stdout | usage: hallatorvo                      | SDL_VIDEODRIVER=dummy     | -h
0 | stdout | usage: hallatorvo                      | SDL_VIDEODRIVER=dummy     | -help
0 | stdout | usage: hallatorvo                      | SDL_VIDEODRIVER=dummy     | -window /? -fps
2 | stderr | unknown switch --bogus                 | SDL_VIDEODRIVER=dummy     | --bogus -h
2 | stderr | unknown switch -Window                 | SDL_VIDEODRIVER=dummy     | -Window
2 | stderr | unknown switch /x                      | SDL_VIDEODRIVER=dummy     | -window x /x -y
2 | stderr | unknown switch -loops                  | SDL_VIDEODRIVER=dummy     | -loop -loops
1 | stderr | Error: Can't Create A GL Rendering     | SDL_VIDEODRIVER=dummy     | --window x-fpsy -loop
2 | stderr | Error: -display 1: there is no such    | SDL_VIDEODRIVER=offscreen | -display 1
1 | stderr | ERROR: No display found                | -                         | -window
1 | stderr | ERROR: No display found                | DISPLAY=:9999             | -display 1
EOF
exit $failed
