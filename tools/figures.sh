#!/usr/bin/env bash
# Measures the demo under llvmpipe at 800x600: plays the optimised binary once in real time
# (205 s) under a private Xvfb with the capture library logging every frame and every audio
# buffer, then prints each scene's median frames per second (over whole seconds of its
# timeline), the A/V offset at each scene start, the time from launch to the first frame and
# the peak memory. The statistics are tools/figures.py's; this command only runs the demo.
#
# Frame cost: fixed-step runs of the whole timeline, each frame finished before its swap,
# give per scene the median full frame and the median CPU-side frame (the same run with every
# viewport shrunk to one pixel, so that the fill costs next to nothing), and the median time
# from launch to the first frame.
#   tools/figures.sh [--binary FILE] [--stop-at SECONDS] [--compare OTHER_BUILD_DIR]
#   --binary FILE      measures that build of the demo instead (with this capture library)
#   --stop-at SECONDS  stops the whole process (SIGSTOP) that long after launch, for 5 s
#   --compare DIR      measures only the frame cost, of DIR/tramble and of this build side by
#                      side, their runs interleaved so that load on the machine falls on both alike
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

binary="$TRAMBLE_RELEASE_BUILD/tramble"
stop_at=""
compare=""
while [ $# -gt 0 ]; do
    case "$1" in
        --binary) binary="$(realpath "$2")"; shift 2 ;;
        --stop-at) stop_at="$2"; shift 2 ;;
        --compare) compare="$2"; shift 2 ;;
        *) echo "usage: $0 [--binary FILE] [--stop-at SECONDS] [--compare OTHER_BUILD_DIR]" >&2; exit 2 ;;
    esac
done
stop_seconds=5
# Clock step of the frame-cost runs, ms, and how many full and CPU-side runs each build gets.
frame_cost_step_ms=100
frame_cost_rounds=2

# Runs the demo $1 once over the whole timeline into files $2.{frames,log,launch}; $3 is 1
# for the CPU-side run (viewport 1 x 1), 0 for the full one.
frame_cost_run() {
    date +%s%N >"$2.launch"
    GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy LD_PRELOAD="$TRAMBLE_CAPTURE_LIBRARY" \
        TRAMBLE_FRAME_MS="$frame_cost_step_ms" TRAMBLE_TINY_VIEWPORT="$3" TRAMBLE_FRAME_LOG="$2.frames" \
        "$1" >"$2.log" 2>&1
}

# Runs every build directory given after the work directory $1, rounds interleaved, into
# $1/<index>-<full|cpu>-<round>, and prints their frame-cost table.
frame_cost() {
    local work="$1" round index
    shift
    for round in $(seq 1 "$frame_cost_rounds"); do
        for index in $(seq 1 $#); do
            echo "figures: frame cost, round $round of $frame_cost_rounds, ${!index}" >&2
            frame_cost_run "${!index}/tramble" "$work/$index-full-$round" 0
            frame_cost_run "${!index}/tramble" "$work/$index-cpu-$round" 1
        done
    done
    tools/figures.py frame-cost "$work" "$@"
}

tramble_require_packages "${TRAMBLE_PACKAGES[@]}"
tramble_build_capture
tramble_start_xvfb
work="$(mktemp -d /tmp/tramble-figures-XXXXXX)"
tramble_on_exit 'rm -rf "$work"'

if [ -n "$compare" ]; then
    [ -x "$compare/tramble" ] || { echo "figures: --compare wants a build directory holding tramble" >&2; exit 1; }
    frame_cost "$work" "$(cd "$compare" && pwd)" "$TRAMBLE_RELEASE_BUILD"
    exit 0
fi

echo "figures: playing the whole demo once in real time under llvmpipe${stop_at:+, stopped for ${stop_seconds} s at ${stop_at} s}"
mkfifo "$work/tramble.fifo"
tools/figures.py stamp <"$work/tramble.fifo" >"$work/tramble.log" &
stamper=$!
date +%s%N >"$work/launch"
GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy LD_PRELOAD="$TRAMBLE_CAPTURE_LIBRARY" TRAMBLE_FRAME_MS=real \
    TRAMBLE_FRAME_LOG="$work/frames.txt" TRAMBLE_AUDIO_LOG="$work/audio.txt" "$binary" >"$work/tramble.fifo" 2>&1 &
demo=$!
if [ -n "$stop_at" ]; then
    sleep "$stop_at"
    kill -STOP "$demo"
    sleep "$stop_seconds"
    kill -CONT "$demo"
fi
wait "$demo"
wait "$stamper"
tools/figures.py play "$work"
echo
frame_cost "$work" "$TRAMBLE_RELEASE_BUILD"
