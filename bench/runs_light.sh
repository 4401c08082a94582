#!/usr/bin/env bash
# How lightly the game runs on this machine:
#   - start-up: from process start to the first frame presented (5 runs);
#   - CPU while the game shows its title screen, for the whole process,
#     beside the frames' own share (60 x the title frame's median time from
#     bench_frame);
#   - resident memory after one and after ten minutes of play with the table
#     full (bench_frame's BM_TenMinutesFullTable, 36,000 frames).
# Runs the real game with SDL's dummy video and audio drivers unless
# SDL_VIDEODRIVER / SDL_AUDIODRIVER say otherwise. Usage:
#   bench/runs_light.sh [build-folder]     (default: build, a release build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target quorvane bench_frame quorvane_first_frame_probe >/dev/null
probe=$(realpath "$build/bench/quorvane_first_frame_probe.so")
cd "$build/app"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
ticks_per_second=$(getconf CLK_TCK)
log=$(mktemp)
trap 'rm -f "$log"' EXIT

stop_game() {
    kill -TERM "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

echo "== start-up: process start to first frame =="
for run in 1 2 3 4 5; do
    # The probe stands in front of SDL_RenderPresent and reports the first.
    LD_PRELOAD="$probe" ./quorvane 2>"$log" &
    pid=$!
    for _ in $(seq 1 100); do
        grep -q "first frame" "$log" && break
        sleep 0.1
    done
    stop_game "$pid"
    sed -n 's/^quorvane: first frame presented \(.*\) s after.*/  run '"$run"': \1 s/p' "$log"
done

echo "== CPU on the title screen, 20 s =="
./quorvane 2>/dev/null &
pid=$!
sleep 3 # past the start-up
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
before=$(cpu_ticks "$pid")
sleep 20
after=$(cpu_ticks "$pid")
stop_game "$pid"
process_percent=$(awk -v t=$((after - before)) -v hz="$ticks_per_second" \
    'BEGIN { printf "%.1f", 100 * t / hz / 20 }')
frame_us=$(../bench/bench_frame --benchmark_filter='BM_TitleFrame$' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/BM_TitleFrame_median/ { print $4 }')
frames_percent=$(awk -v us="$frame_us" 'BEGIN { printf "%.1f", 60 * us / 1e6 * 100 }')
echo "  whole process: ${process_percent}% of one core"
echo "  the frames' own work (60 x ${frame_us} us of CPU): ${frames_percent}%"
awk -v p="$process_percent" -v f="$frames_percent" \
    'BEGIN { printf "  beyond the frames: %.1f%% (target: at most 5%%)\n", p - f }'

echo "== resident memory with the table full =="
../bench/bench_frame --benchmark_filter=BM_TenMinutesFullTable 2>/dev/null |
    sed -n 's/.*rss_first_minute_MB=\([0-9.]*\) rss_last_minute_MB=\([0-9.]*\).*/  after one minute: \1 MB, after ten: \2 MB (target: at most 80 MB, flat)/p'
