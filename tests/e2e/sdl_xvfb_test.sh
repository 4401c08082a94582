#!/usr/bin/env bash
# The built game, end to end, in real X servers (Xvfb) with SDL's disk audio
# driver standing in for a sound card:
#   - without a display it says so and still ends cleanly;
#   - on screens of several sizes, with and without a window manager
#     (openbox), the title shows as the headless game draws it, scaled by the
#     largest whole factor that fits and centred, with black around it;
#   - without a window manager the SDL backend's frame follows the size its
#     window really has, full screen and windowed (the backend's own X11 test);
#   - a second start while it runs exits at once with 0;
#   - Z held for a moment (a real key event; the game polls once a frame)
#     starts play: the HUD captions and the sun near the centre;
#   - Escape ends it with exit code 0;
#   - the sound it played is the background tune at its level;
#   - installed with `cmake --install`, its desktop launcher starts it from
#     anywhere, and it finds its sounds.
#
# usage: sdl_xvfb_test.sh <quorvane executable> <screen_probe> <output folder>
#                         <build folder to install from> <test_platform_sdl>
# Screenshots, the captured sound and the game's output stay in the folder.
# The main run (title, play, sound, launcher) is in a 1280 x 1024 screen
# without a window manager.
set -euo pipefail

game=$(realpath "$1")
probe=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
build=$(realpath "$4")
sdl_tests=$(realpath "$5")
rm -rf "$out"/*.png "$out"/*.raw "$out"/*.log "$out"/*.txt "$out"/display "$out"/prefix "$out"/runtime

for tool in Xvfb xdotool openbox import; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)"
        exit 1
    fi
done

xvfb_pid=""
wm_pid=""
game_pid=""
# Ends the window manager and the X server, if running.
stop_x() {
    local pid
    for pid in "$wm_pid" "$xvfb_pid"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    wm_pid=""
    xvfb_pid=""
}
cleanup() {
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill -KILL "$game_pid" 2>/dev/null || true
    fi
    stop_x
}
trap cleanup EXIT

say() {
    echo "[${SECONDS}s] $*"
}

fail() {
    say "FAIL: $*"
    for log in "$out"/*.log; do
        [ -f "$log" ] && { echo "--- $log"; cat "$log"; }
    done
    exit 1
}

# The game reads "Wave\..." from its working folder: the one it was built in.
cd "$(dirname "$game")"
[ -f Wave/BGM00.wav ] || fail "no Wave/BGM00.wav beside $game"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk
# The single-instance guard lives in the runtime folder: one of our own, so
# that a game started elsewhere on this machine (another build's tests) is
# not taken for a running instance.
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export SDL_DISKAUDIOFILE="$out/audio.raw"

# --- without a display: a clear message, then the game's own failure path
status=0
DISPLAY=:4099 SDL_DISKAUDIOFILE="$out/nodisplay.raw" timeout 20 "$game" \
    >"$out/nodisplay.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "without a display the game exited with $status"
grep -q "no window" "$out/nodisplay.log" || fail "without a display the game did not say why"
say "without a display: said so, exit 0"

# An X server of our own with one screen of `size` (WxH), on a free display
# number, with openbox as its window manager when `wm` is "openbox".
start_x() {
    local size=$1 wm=$2
    rm -f "$out/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$out/display" \
        >>"$out/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$out/display" ] && break
        sleep 0.1
    done
    [ -s "$out/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$out/display")"
    if [ "$wm" = openbox ]; then
        openbox >>"$out/openbox.log" 2>&1 &
        wm_pid=$!
        for _ in $(seq 100); do
            "$probe" wm && break
            sleep 0.1
        done
        "$probe" wm || fail "openbox did not start"
    fi
    say "Xvfb $size on $DISPLAY, window manager: $wm"
}

# The whole screen as a PNG file.
grab() { import -display "$DISPLAY" -window root "$1" 2>/dev/null; }

# Starts the game (or its launcher) in the background; `game_pid` is its id.
start_game() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 &
    game_pid=$!
}

# Takes screenshots until the probe accepts one as `kind` (or time runs out);
# arguments after the first three go to the probe after the screenshot.
wait_for_screen() {
    local kind=$1 shot=$2 seconds=$3
    shift 3
    local tries=$((seconds * 4))
    for _ in $(seq "$tries"); do
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for the $kind screen"
        if grab "$shot" && "$probe" "$kind" "$shot" "$@" >"$out/$kind-check.txt"; then
            cat "$out/$kind-check.txt"
            say "$kind screen seen"
            return 0
        fi
        sleep 0.25
    done
    cat "$out/$kind-check.txt"
    fail "no $kind screen within $seconds s (last screenshot: $shot)"
}

# Escape, then the game must end by itself with exit code 0.
quit_with_escape() {
    xdotool key Escape
    for _ in $(seq 100); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$game_pid" 2>/dev/null && fail "the game still runs 10 s after Escape"
    local status=0
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" -eq 0 ] || fail "the game exited with $status after Escape"
    say "Escape: exit 0"
}

# The title frame as the headless game draws it at one second: the picture
# every screen below must show, scaled.
printf 'capture ms 1000 reference.png\nstop ms 1100\nexpect exit 0\n' >"$out/reference.txt"
QUORVANE_SCENARIO="$out/reference.txt" QUORVANE_OUTPUT="$out" ./quorvane >"$out/reference.log" 2>&1 ||
    fail "the headless game did not draw its title"

# The title, seen as the headless game draws it, scaled and centred; a window
# manager may grant full screen a moment after the first frame.
wait_for_title() {
    wait_for_screen placed "$1" 30 "$out/reference.png"
}

# --- the title on screens of several sizes, with and without a window manager
for screen in 1920x1080:none 1920x1080:openbox 1366x768:none 1280x720:none 800x600:none \
    3840x2160:openbox; do
    size=${screen%%:*}
    wm=${screen##*:}
    start_x "$size" "$wm"
    if [ "$screen" = 1920x1080:none ]; then
        QUORVANE_TEST_X11=1 "$sdl_tests" --gtest_filter='SdlBackendOnX11.*' \
            >"$out/sdl-x11-test.log" 2>&1 || fail "the SDL backend's X11 test failed"
        say "the SDL backend's X11 test passed"
    fi
    start_game "$out/placed-$size-$wm.log" env SDL_AUDIODRIVER=dummy "$game"
    wait_for_title "$out/placed-$size-$wm.png"
    quit_with_escape
    stop_x
done

start_x 1280x1024 none
start_game "$out/game.log" "$game"
wait_for_title "$out/title.png"

# --- a second start while the first runs
started=$(date +%s%N)
status=0
SDL_DISKAUDIOFILE="$out/second.raw" timeout 20 "$game" >"$out/second.log" 2>&1 || status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$status" -eq 0 ] || fail "the second start exited with $status"
[ "$elapsed_ms" -lt 5000 ] || fail "the second start took $elapsed_ms ms to give up"
kill -0 "$game_pid" 2>/dev/null || fail "the second start ended the first"
say "second start: exit 0 after $elapsed_ms ms"

# --- Z held for a fraction of a second starts play
xdotool mousemove 640 512
xdotool keydown z
sleep 0.5
xdotool keyup z
wait_for_screen play "$out/play.png" 20

quit_with_escape
"$probe" audio "$out/audio.raw" Wave/BGM00.wav || fail "the captured sound is not the tune"

# --- installed: the launcher's command, started from elsewhere
cmake --install "$build" --prefix "$out/prefix" >"$out/install.log" 2>&1 ||
    fail "cmake --install failed"
entry="$out/prefix/share/applications/quorvane.desktop"
[ -f "$entry" ] || fail "no desktop launcher installed"
for size in 64 256; do
    [ -s "$out/prefix/share/icons/hicolor/${size}x${size}/apps/quorvane.png" ] ||
        fail "no ${size}x${size} icon installed"
done
launcher=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$launcher" ] || fail "the launcher runs '$launcher', which is no program"
cd /
start_game "$out/installed.log" env SDL_DISKAUDIOFILE="$out/installed.raw" "$launcher"
wait_for_title "$out/installed-title.png"
sleep 1 # a second of the tune
quit_with_escape
"$probe" audio "$out/installed.raw" "$out/prefix/libexec/quorvane/Wave/BGM00.wav" ||
    fail "the installed game did not play its tune"

say "PASS: placement on every screen, title, second start, play, Escape, sound, and the installed launcher as expected"
