#!/usr/bin/env bash
# The built game, end to end, in a real X server (Xvfb, no window manager)
# with SDL's disk audio driver standing in for a sound card:
#   - without a display it says so and still ends cleanly;
#   - it opens its window and shows the title (text and prompts);
#   - a second start while it runs exits at once with 0;
#   - Z held for a moment (a real key event; the game polls once a frame)
#     starts play: the HUD captions and the sun near the centre;
#   - Escape ends it with exit code 0;
#   - the sound it played is the background tune at its level.
#
# usage: sdl_xvfb_test.sh <quorvane executable> <screen_probe> <output folder>
# Screenshots, the captured sound and the game's output stay in the folder.
set -euo pipefail

game=$(realpath "$1")
probe=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
rm -f "$out"/*.png "$out"/*.raw "$out"/*.log "$out"/display

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

fail() {
    echo "FAIL: $*"
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
echo "Xvfb on $DISPLAY"

"$game" >"$out/game.log" 2>&1 &
game_pid=$!

# Takes screenshots until the probe accepts one as `kind` (or time runs out).
wait_for_screen() {
    local kind=$1 shot=$2 seconds=$3
    local tries=$((seconds * 4))
    for _ in $(seq "$tries"); do
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for the $kind screen"
        if "$probe" grab "$shot" && "$probe" "$kind" "$shot" >"$out/$kind-check.txt"; then
            cat "$out/$kind-check.txt"
            return 0
        fi
        sleep 0.25
    done
    cat "$out/$kind-check.txt"
    fail "no $kind screen within $seconds s (last screenshot: $shot)"
}

wait_for_screen title "$out/title.png" 30

# --- a second start while the first runs
started=$(date +%s%N)
status=0
SDL_DISKAUDIOFILE="$out/second.raw" timeout 20 "$game" >"$out/second.log" 2>&1 || status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$status" -eq 0 ] || fail "the second start exited with $status"
[ "$elapsed_ms" -lt 5000 ] || fail "the second start took $elapsed_ms ms to give up"
kill -0 "$game_pid" 2>/dev/null || fail "the second start ended the first"
echo "second start: exit 0 after $elapsed_ms ms"

# --- Z held for a fraction of a second starts play
xdotool mousemove 640 512
xdotool keydown z
sleep 0.3
xdotool keyup z
wait_for_screen play "$out/play.png" 20

# --- Escape quits through the game's teardown
xdotool key Escape
status=0
for _ in $(seq 100); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game_pid" 2>/dev/null; then
    fail "the game still runs 10 s after Escape"
fi
wait "$game_pid" || status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the game exited with $status after Escape"
echo "Escape: exit 0"

# --- the sound
"$probe" audio "$out/audio.raw" Wave/BGM00.wav || fail "the captured sound is not the tune"

echo "PASS: title, second start, play, Escape and sound as expected"
