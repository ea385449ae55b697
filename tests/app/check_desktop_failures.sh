#!/usr/bin/env bash
# The ways the show refuses to start, as a user meets them: the exit code, the
# stream that explains it, and neither a window nor a sound. Each run starts in
# an empty environment (no X, no Wayland) with the sound going to a file that
# must never appear. With SDL_VIDEODRIVER=dummy an attempted window would say
# "Can't Create A GL Rendering Context." and spoil the expected output.
#   check_desktop_failures.sh SHOW
set -uf -o pipefail
show=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
usage=$(env -i "$show" --help) || { echo "--help failed"; exit 1; }
[[ $usage == "usage: hallatorvo "* ]] || { echo "--help says: $usage"; exit 1; }

# exit | stream that answers | what it says ("usage": exactly the usage) | environment (-: none) | arguments
cases='
0 | stdout | usage                                   | SDL_VIDEODRIVER=dummy     | -h
0 | stdout | usage                                   | SDL_VIDEODRIVER=dummy     | -help
0 | stdout | usage                                   | SDL_VIDEODRIVER=dummy     | /?
0 | stdout | usage                                   | SDL_VIDEODRIVER=dummy     | -window /? -fps
2 | stderr | unknown switch --bogus                  | SDL_VIDEODRIVER=dummy     | --bogus
2 | stderr | unknown switch -Window                  | SDL_VIDEODRIVER=dummy     | -Window
2 | stderr | unknown switch /x                       | SDL_VIDEODRIVER=dummy     | -window /x -y
2 | stderr | unknown switch -loops                   | SDL_VIDEODRIVER=dummy     | -loop -loops
2 | stderr | Error: -display 1: there is no such     | SDL_VIDEODRIVER=offscreen | -display 1
2 | stderr | Error: -display x: the display must be  | SDL_VIDEODRIVER=offscreen | -display x
1 | stderr | ERROR: No display found                 | -                         | -window
1 | stderr | ERROR: No display found                 | DISPLAY=:9999             | -display 1
'
failed=0 n=0
while IFS='|' read -r code stream says environment arguments; do
    [ -n "${code// /}" ] || continue
    read -r code <<<"$code" && read -r stream <<<"$stream" && read -r environment <<<"$environment"
    [ "$environment" = - ] && environment=
    says=$(sed 's/^ *//; s/ *$//' <<<"$says") arguments=$(sed 's/^ *//; s/ *$//' <<<"$arguments")
    heard=$work/heard$((n += 1)).raw
    # shellcheck disable=SC2086 # the table's words are the command line
    timeout -k 5 20 env -i PATH="$PATH" HOME="$work" XDG_RUNTIME_DIR="$work" $environment \
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$heard" "$show" $arguments \
        >"$work/stdout" 2>"$work/stderr"
    got=$?
    answer=$(cat "$work/$stream") other=stdout
    [ "$stream" = stdout ] && other=stderr
    if [ "$says" = usage ]; then
        [ "$answer" = "$usage" ]
    elif [ "$stream" = stderr ] && [[ $says == "unknown switch"* ]]; then
        [ "$answer" = "hallatorvo: $says"$'\n'"$usage" ]
    else
        [[ $answer == *"$says"* ]]
    fi
    matched=$?
    if [ "$got" != "$code" ] || [ $matched != 0 ] || [ -s "$work/$other" ] || [ -e "$heard" ]; then
        echo "FAILED: $environment hallatorvo $arguments: exit $got (want $code)," \
            "$([ -e "$heard" ] && echo "sound played,") $stream should say \"$says\""
        echo "--- stdout:" && cat "$work/stdout" && echo "--- stderr:" && cat "$work/stderr"
        failed=1
    else
        echo "ok: $environment hallatorvo $arguments: exit $got, $stream: $says"
    fi
done <<<"$cases"
exit $failed
