#!/usr/bin/env bash
# The built game, end to end, in a real X server (Xvfb, no window manager)
# with SDL's disk audio driver standing in for a sound card:
#   - without a display it says so and still ends cleanly;
#   - it opens its window and shows the title (text and prompts);
#   - a second start while it runs exits at once with 0;
#   - Z held for a moment (a real key event; the game polls once a frame)
#     starts play: the HUD captions and the sun near the centre;
#   - Escape ends it with exit code 0;
#   - the sound it played is the background tune at its level;
#   - installed with `cmake --install`, its desktop launcher starts it from
#     anywhere, and it finds its sounds.
#
# usage: sdl_xvfb_test.sh <quorvane executable> <screen_probe> <output folder>
#                         <build folder to install from>
# Screenshots, the captured sound and the game's output stay in the folder.
set -euo pipefail

game=$(realpath "$1")
probe=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
build=$(realpath "$4")
rm -rf "$out"/*.png "$out"/*.raw "$out"/*.log "$out"/*.txt "$out"/display "$out"/prefix

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)"
        exit 1
    fi
done

xvfb_pid=""
game_pid=""
cleanup() {
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill -KILL "$game_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
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
export SDL_DISKAUDIOFILE="$out/audio.raw"

# --- without a display: a clear message, then the game's own failure path
status=0
DISPLAY=:4099 SDL_DISKAUDIOFILE="$out/nodisplay.raw" timeout 20 "$game" \
    >"$out/nodisplay.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "without a display the game exited with $status"
grep -q "no window" "$out/nodisplay.log" || fail "without a display the game did not say why"
say "without a display: said so, exit 0"

# --- an X server of our own, on a free display number
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" \
    >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$out/display" ] && break
    sleep 0.1
done
[ -s "$out/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$out/display")"
say "Xvfb on $DISPLAY"

# Starts the game (or its launcher) in the background; `game_pid` is its id.
start_game() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 &
    game_pid=$!
}

# Takes screenshots until the probe accepts one as `kind` (or time runs out).
wait_for_screen() {
    local kind=$1 shot=$2 seconds=$3
    local tries=$((seconds * 4))
    for _ in $(seq "$tries"); do
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for the $kind screen"
        if "$probe" grab "$shot" && "$probe" "$kind" "$shot" >"$out/$kind-check.txt"; then
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

start_game "$out/game.log" "$game"
wait_for_screen title "$out/title.png" 30

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
wait_for_screen title "$out/installed-title.png" 30
sleep 1 # a second of the tune
quit_with_escape
"$probe" audio "$out/installed.raw" "$out/prefix/libexec/quorvane/Wave/BGM00.wav" ||
    fail "the installed game did not play its tune"

say "PASS: title, second start, play, Escape, sound, and the installed launcher as expected"
