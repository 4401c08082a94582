#!/usr/bin/env bash
# End-to-end test of the Windows distributable under Wine:
#   tests/e2e/wine_test.sh <quorvane-windows-x64.zip> [output directory]
#                          [<winapi_values.exe> <the stand-in's listing>]
#
# Unzips the package as a player would, starts quorvane.exe with 64-bit Wine
# in a fresh prefix inside Xvfb (no window manager, no sound card), waits for
# the title, holds Z to start play, waits for the play screen with its HUD,
# quits with Escape and expects exit code 0. The two screenshots (title.png,
# play.png) and the logs are kept in the output directory.
#
# Given winapi_values.exe (built against the SDK) and the listing of the same
# program built against our stand-in, it also runs that program under Wine
# and expects the two listings of values, sizes and GUIDs to be equal.
#
# What the game needs of this setting:
# - a 640 x 480 x 24 screen: Wine switches only to display modes the X server
#   offers, so SetDisplayMode(640, 480, 8) needs exactly that size, and it
#   shows the 8-bit mode correctly only on a 24-bit screen;
# - an ALSA default device of type null, so that DirectSoundCreate finds a
#   device to play to;
# - Wine's Direct3D on OpenGL (Mesa's software renderer here): the artwork
#   surface is requested in video memory, which Wine's DirectDraw refuses
#   when 3D is off (the "gdi" renderer);
# - unmanaged windows, or closing the window waits for a window manager.
set -euo pipefail

readonly TITLE_TIMEOUT_S=120   # the first start of a fresh prefix included
readonly PLAY_TIMEOUT_S=60
readonly EXIT_TIMEOUT_S=30
readonly PREFIX_TIMEOUT_S=240
readonly Z_HOLD_S=0.5

zip_file=${1:?usage: wine_test.sh <quorvane-windows-x64.zip> [output directory]}
zip_file=$(realpath "$zip_file")
out_dir=$(realpath -m "${2:-wine-test}")
values_exe=${3:+$(realpath "$3")}
stand_in_listing=${4:+$(realpath "$4")}
if [ -n "$values_exe" ] && [ -z "$stand_in_listing" ]; then
    echo "wine_test: winapi_values.exe needs the stand-in's listing beside it" >&2
    exit 2
fi
rm -rf "$out_dir"
mkdir -p "$out_dir"

wine_bin=$(command -v wine64 || true)
if [ -z "$wine_bin" ] && [ -x /usr/lib/wine/wine64 ]; then
    wine_bin=/usr/lib/wine/wine64
fi
wineserver_bin=$(command -v wineserver || echo /usr/lib/wine/wineserver)
for tool in "$wine_bin" "$wineserver_bin" Xvfb xdotool import convert; do
    if [ -z "$tool" ] || ! command -v "$tool" >/dev/null; then
        echo "wine_test: missing tool ${tool:-wine64} (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done

work=$(mktemp -d /tmp/quorvane-wine.XXXXXX)
xvfb_pid=""
game_pid=""
game_dir=""
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko: a fresh prefix would otherwise offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export HOME=$work/home
unset WAYLAND_DISPLAY

log() { echo "wine_test: $*"; }

cleanup() {
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill "$game_pid" 2>/dev/null || true
    fi
    if [ -d "$WINEPREFIX" ]; then
        timeout 20 "$wineserver_bin" -k 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "wine_test: FAILED: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        import -display "$DISPLAY" -window root "$out_dir/failure.png" 2>/dev/null &&
            echo "wine_test: the screen at the failure: $out_dir/failure.png" >&2
        echo "wine_test: windows on the screen:" >&2
        xdotool search --name '.' getwindowname %@ 2>/dev/null | sed 's/^/    /' >&2 || true
    fi
    for f in "$out_dir"/*.log; do
        [ -s "$f" ] || continue
        echo "---- $f (last 40 lines)" >&2
        tail -n 40 "$f" >&2
    done
    exit 1
}

# Counts the pixels of a region (WxH+X+Y) of a screenshot that have a colour:
# blue (the title), pink (the HUD captions), bright (the sun's core) or dark
# (the night sky, once the fade into play has ended).
count_pixels() {
    local image=$1 region=$2 colour=$3
    convert "$image" -crop "$region" +repage -depth 8 txt:- |
        awk -F'[(,)]' -v colour="$colour" '
            NR > 1 {
                r = $3 + 0; g = $4 + 0; b = $5 + 0
                if (colour == "blue") hit = (b >= 200 && b > r + 80 && g >= 100)
                else if (colour == "pink") hit = (r >= 200 && g <= 150 && b >= 80 && r > b + 40)
                else if (colour == "bright") hit = (r >= 240 && g >= 200)
                else if (colour == "dark") hit = (r + g + b < 90)
                n += hit
            }
            END { print n + 0 }'
}

title_pixels() { count_pixels "$1" 640x100+0+100 blue; }
hud_top_pixels() { count_pixels "$1" 140x16+500+5 pink; }
hud_planets_pixels() { count_pixels "$1" 140x16+500+85 pink; }
sun_pixels() { count_pixels "$1" 24x24+308+228 bright; }
sky_pixels() { count_pixels "$1" 100x60+380+300 dark; }

is_title() { [ "$(title_pixels "$1")" -ge 2000 ] && [ "$(sky_pixels "$1")" -ge 4200 ]; }
is_play() {
    [ "$(hud_top_pixels "$1")" -ge 100 ] && [ "$(hud_planets_pixels "$1")" -ge 100 ] &&
        [ "$(sun_pixels "$1")" -ge 40 ] && [ "$(sky_pixels "$1")" -ge 4200 ]
}

screenshot() { import -display "$DISPLAY" -window root "$1"; }

game_running() { kill -0 "$game_pid" 2>/dev/null; }

# Takes screenshots into $2 until predicate $1 holds, for at most $3 seconds.
wait_for_screen() {
    local predicate=$1 image=$2 timeout_s=$3
    local deadline=$((SECONDS + timeout_s))
    while [ "$SECONDS" -lt "$deadline" ]; do
        game_running || fail "the game ended while waiting for its screen ($predicate)"
        screenshot "$image" 2>/dev/null && "$predicate" "$image" && return 0
        sleep 0.5
    done
    return 1
}

start_xvfb() {
    mkdir -p "$work"
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset >"$out_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    local deadline=$((SECONDS + 15))
    while [ ! -s "$work/display" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "Xvfb did not start"
        kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited"
        sleep 0.2
    done
    export DISPLAY=":$(head -n1 "$work/display")"
    log "Xvfb on $DISPLAY, 640 x 480 x 24"
}

prepare_prefix() {
    mkdir -p "$HOME"
    printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc"
    local started=$SECONDS
    timeout "$PREFIX_TIMEOUT_S" "$wine_bin" wineboot --init >"$out_dir/wineboot.log" 2>&1 ||
        fail "wineboot did not prepare the prefix"
    timeout 60 "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >>"$out_dir/wineboot.log" 2>&1 || fail "could not set the X11 driver's Managed value"
    log "fresh Wine prefix ready in $((SECONDS - started)) s"
}

# Unpacks the zip as a player would, into $game_dir.
unpack() {
    game_dir=$work/game
    mkdir -p "$game_dir"
    (cd "$game_dir" && cmake -E tar xf "$zip_file") || fail "cannot unpack $zip_file"
    for f in quorvane.exe Wave/BGM00.wav Wave/shooting.wav; do
        [ -s "$game_dir/$f" ] || fail "the package lacks $f"
    done
}

# The SDK's declarations, as winapi_values.exe lists them under Wine, against
# the stand-in's.
compare_declarations() {
    [ -n "$values_exe" ] || return 0
    timeout 60 "$wine_bin" "$values_exe" 2>"$out_dir/winapi_values.log" |
        tr -d '\r' >"$out_dir/winapi_values.sdk.txt" ||
        fail "winapi_values.exe did not run under Wine"
    cp "$stand_in_listing" "$out_dir/winapi_values.stand-in.txt"
    [ -s "$out_dir/winapi_values.sdk.txt" ] || fail "winapi_values.exe listed nothing"
    if ! diff -u "$out_dir/winapi_values.sdk.txt" "$out_dir/winapi_values.stand-in.txt" \
        >"$out_dir/winapi_values.diff"; then
        cat "$out_dir/winapi_values.diff" >&2
        fail "the stand-in declares these differently from the SDK (- SDK, + stand-in)"
    fi
    log "the stand-in agrees with the SDK on $(wc -l <"$out_dir/winapi_values.sdk.txt") declarations"
}

main() {
    local started=$SECONDS
    start_xvfb
    unpack
    prepare_prefix
    compare_declarations

    # The game reads "Wave\..." relative to its current directory, as when a
    # player starts it from the unpacked folder.
    (cd "$game_dir" && exec "$wine_bin" quorvane.exe) >"$out_dir/game.log" 2>&1 &
    game_pid=$!
    log "started quorvane.exe (pid $game_pid)"

    wait_for_screen is_title "$out_dir/title.png" "$TITLE_TIMEOUT_S" ||
        fail "no title screen within $TITLE_TIMEOUT_S s"
    log "title screen: $(title_pixels "$out_dir/title.png") title pixels"
    if is_play "$out_dir/title.png"; then
        fail "the title screen already shows the play screen's HUD"
    fi

    xdotool mousemove 320 240
    xdotool keydown z
    sleep "$Z_HOLD_S"
    xdotool keyup z
    wait_for_screen is_play "$out_dir/play.png" "$PLAY_TIMEOUT_S" ||
        fail "no play screen with its HUD within $PLAY_TIMEOUT_S s of pressing Z"
    log "play screen: HUD $(hud_top_pixels "$out_dir/play.png") + \
$(hud_planets_pixels "$out_dir/play.png") pixels, sun $(sun_pixels "$out_dir/play.png") pixels, dark sky \
$(sky_pixels "$out_dir/play.png") of 6000 pixels"

    xdotool key Escape
    local deadline=$((SECONDS + EXIT_TIMEOUT_S))
    while game_running; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the game did not end within $EXIT_TIMEOUT_S s of Escape"
        sleep 0.2
    done
    local status=0
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" -eq 0 ] || fail "the game exited with $status, expected 0"
    log "exit code 0; passed in $((SECONDS - started)) s; screenshots in $out_dir"
}

main
