#!/usr/bin/env bash
# Measures the demo under llvmpipe at 800x600: plays the optimised binary once in real time
# (205 s) under a private Xvfb with the capture library logging every frame and every audio
# buffer, then prints each scene's median frames per second (over whole seconds of its
# timeline), the A/V offset at each scene start, the time from launch to the first frame and
# the peak memory; and refreshes docs/images/sceneN.png, one picture per scene taken from the
# approved golden frames, for the README.
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

# The golden frame that pictures each scene in the README, and the pictures' size.
pictures=(scene1-010000ms scene2-075000ms scene3-100000ms scene4-160000ms scene5-199000ms)
picture_size=400x300

# ---- Frame cost ----

# Clock step of the frame-cost runs, ms, and how many full and CPU-side runs each build gets.
frame_cost_step_ms=100
frame_cost_rounds=2

# Runs build directory $1 once over the whole timeline into files $2.{frames,log,launch};
# $3 is 1 for the CPU-side run (viewport 1 x 1), 0 for the full one.
frame_cost_run() {
    local launch_ns
    launch_ns="$(date +%s%N)"
    GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy LD_PRELOAD="$TRAMBLE_CAPTURE_LIBRARY" \
        TRAMBLE_FRAME_MS="$frame_cost_step_ms" TRAMBLE_TINY_VIEWPORT="$3" TRAMBLE_FRAME_LOG="$2.frames" \
        "$1/tramble" >"$2.log" 2>&1
    echo "$launch_ns" >"$2.launch"
}

# Prints "<scene> <frame ms>" for every frame after the first of the runs named $@, the
# scene found from the program's own "Adding scene from A to B" lines.
frame_cost_frames() {
    local run
    for run in "$@"; do
        awk 'FNR == NR { if (match($0, /Adding scene from [0-9]+ to [0-9]+/)) {
                             split(substr($0, RSTART, RLENGTH), w, " "); n++; from[n] = w[4]; to[n] = w[6] }
                         next }
             $1 == "frame" { if (seen) for (k = 1; k <= n; k++) if ($3 >= from[k] && $3 < to[k])
                                 printf "%d %.3f\n", k, ($4 - previous) / 1e6
                             seen = 1; previous = $4 }' "$run.log" "$run.frames"
    done
}

# The median of the numbers on standard input, "-" when there are none.
median() {
    sort -n | awk '{ v[++n] = $1 } END { if (n) printf "%.1f", (v[int((n + 1) / 2)] + v[int(n / 2) + 1]) / 2; else printf "-" }'
}

# Median ms per frame of scene $1 over the runs named by the rest.
frame_cost_scene() {
    local scene="$1"
    shift
    frame_cost_frames "$@" | awk -v s="$scene" '$1 == s { print $2 }' | median
}

# Median ms from launch to the first frame over the runs named.
frame_cost_launch() {
    local run
    for run in "$@"; do
        echo $(( ($(awk '$1 == "frame" { print $4; exit }' "$run.frames") - $(cat "$run.launch")) / 1000000 ))
    done | median
}

# The scenes the runs named $@ found in their logs, in order.
frame_cost_scenes() {
    grep -ho "Adding scene from [0-9]* to" "${@/%/.log}" | sort -u | wc -l | xargs seq 1
}

# Runs every build directory given, rounds interleaved, into $work/<index>-<full|cpu>-<round>.
frame_cost_measure() {
    local round index
    for round in $(seq 1 "$frame_cost_rounds"); do
        for index in $(seq 1 $#); do
            echo "figures: frame cost, round $round of $frame_cost_rounds, ${!index}"
            frame_cost_run "${!index}" "$work/$index-full-$round" 0
            frame_cost_run "${!index}" "$work/$index-cpu-$round" 1
        done
    done
}

# Names of build $1's runs of kind $2 (full or cpu).
frame_cost_runs() {
    local round
    for round in $(seq 1 "$frame_cost_rounds"); do echo "$work/$1-$2-$round"; done
}

# The frame-cost table of this build alone.
frame_cost_report() {
    frame_cost_measure "$TRAMBLE_RELEASE_BUILD"
    local full cpu scene
    mapfile -t full < <(frame_cost_runs 1 full)
    mapfile -t cpu < <(frame_cost_runs 1 cpu)
    echo "| Scene | Full frame (ms) | CPU side (ms) |"
    echo "|---|---|---|"
    for scene in $(frame_cost_scenes "${full[@]}"); do
        echo "| $scene | $(frame_cost_scene "$scene" "${full[@]}") | $(frame_cost_scene "$scene" "${cpu[@]}") |"
    done
    echo
    echo "Launch to first frame (fixed step): $(frame_cost_launch "${full[@]}") ms"
}

# The frame-cost table of build $1 (before) beside this build (after).
frame_cost_compare() {
    frame_cost_measure "$1" "$TRAMBLE_RELEASE_BUILD"
    local old_full old_cpu new_full new_cpu scene old new
    mapfile -t old_full < <(frame_cost_runs 1 full)
    mapfile -t old_cpu < <(frame_cost_runs 1 cpu)
    mapfile -t new_full < <(frame_cost_runs 2 full)
    mapfile -t new_cpu < <(frame_cost_runs 2 cpu)
    echo "Before: $1; after: $TRAMBLE_RELEASE_BUILD"
    echo
    echo "| Scene | Full frame before (ms) | after (ms) | speed-up | CPU side before (ms) | after (ms) |"
    echo "|---|---|---|---|---|---|"
    for scene in $(frame_cost_scenes "${new_full[@]}"); do
        old="$(frame_cost_scene "$scene" "${old_full[@]}")"
        new="$(frame_cost_scene "$scene" "${new_full[@]}")"
        echo "| $scene | $old | $new | $(awk -v o="$old" -v n="$new" 'BEGIN { printf "%.2fx", o / n }')" \
            "| $(frame_cost_scene "$scene" "${old_cpu[@]}") | $(frame_cost_scene "$scene" "${new_cpu[@]}") |"
    done
    echo
    echo "Launch to first frame (fixed step): before $(frame_cost_launch "${old_full[@]}") ms," \
        "after $(frame_cost_launch "${new_full[@]}") ms"
}

# ---- Main ----

tramble_require_packages "${TRAMBLE_PACKAGES[@]}" ffmpeg
tramble_build_capture
tramble_start_xvfb
work="$(mktemp -d /tmp/tramble-figures-XXXXXX)"
tramble_on_exit 'rm -rf "$work"'

if [ -n "$compare" ]; then
    [ -x "$compare/tramble" ] || { echo "figures: --compare wants a build directory holding tramble" >&2; exit 1; }
    frame_cost_compare "$(cd "$compare" && pwd)"
    exit 0
fi

# Prefixes each line of standard input with the wall-clock time it arrived, in ns.
timestamp_lines() {
    perl -MTime::HiRes=clock_gettime,CLOCK_REALTIME -ne \
        'BEGIN { $| = 1 } printf "%.0f %s", clock_gettime(CLOCK_REALTIME) * 1e9, $_'
}

# The A/V offset at each scene start: the scene's place on the timeline less the music heard
# as its start was logged, from the capture library's audio log (the last buffer handed to the
# device has played since at the device's rate) and the timestamped log. Only the middle
# scenes log their stages: Scene2-4 start at their "Running state 1", Scene5 as Scene4 stops.
print_av_offsets() {
    echo "| Scene start | Timeline | Music heard | Picture ahead by |"
    echo "|---|---|---|---|"
    awk -v edges="$scene_edges" '
        BEGIN { split(edges, edge, " ") }
        FNR == NR && $1 == "rate" { rate = $2 }
        FNR == NR && $1 == "sound" { sound = $2 }
        FNR == NR && $1 == "buffer" { n++; at[n] = $2; total[n] = $3; frames[n] = $4 }
        FNR != NR && /Running state 1 during length 0$/ { starts++; report(starts + 1, $1) }
        FNR != NR && /Running state 0 during length 0$/ { stops++; if (stops == 3) report(5, $1) }
        function report(scene, ns,    i, played, heard) {
            for (i = 1; i <= n && at[i] <= ns; i++) {}
            i--
            played = (ns - at[i]) * 1e-9 * rate
            if (played > frames[i]) played = frames[i]
            heard = (total[i] - frames[i] + played - sound) * 1000 / rate
            printf "| %d | %.3f s | %.3f s | %.0f ms |\n", scene, edge[scene] / 1000, heard / 1000, edge[scene] - heard
        }' "$work/audio.txt" "$work/tramble.log"
}

echo "figures: playing the whole demo once in real time under llvmpipe${stop_at:+, stopped for ${stop_seconds} s at ${stop_at} s}"
mkfifo "$work/tramble.fifo"
timestamp_lines <"$work/tramble.fifo" >"$work/tramble.log" &
stamper=$!
launch_ns="$(date +%s%N)"
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

# Scene boundaries on the timeline, in ms, as the program announces its scenes.
scene_edges="$(grep -o 'Adding scene from [0-9]* to [0-9]*' "$work/tramble.log" |
    awk '{ print $4; last = $6 } END { print last }' | tr '\n' ' ')"
echo "| Scene | Median FPS | Slowest second | Fastest second |"
echo "|---|---|---|---|"
# Frames per whole second of timeline, each second that lies entirely inside a scene.
awk -v edges="$scene_edges" '
    BEGIN { n = split(edges, edge, " ") }
    $1 == "frame" { second = int($3 / 1000); count[second]++; if (second > last) last = second }
    END {
        for (s = 0; s < last; s++) {
            for (k = 1; k < n; k++) {
                if (s * 1000 >= edge[k] && (s + 1) * 1000 <= edge[k + 1]) print k, count[s] + 0
            }
        }
    }' "$work/frames.txt" | sort -k1,1n -k2,2n >"$work/seconds.txt"
for scene in 1 2 3 4 5; do
    awk -v scene="$scene" '$1 == scene { fps[++n] = $2 }
        END { printf "| %d | %d | %d | %d |\n", scene, fps[int((n + 1) / 2)], fps[1], fps[n] }' "$work/seconds.txt"
done
first_ns="$(awk '$1 == "frame" { print $4; exit }' "$work/frames.txt")"
peak_kb="$(awk '$1 == "peak_rss_kb" { print $2 }' "$work/frames.txt")"
echo
echo "Launch to first frame: $(( (first_ns - launch_ns) / 1000000 )) ms"
echo "Peak memory (resident): $(( peak_kb / 1024 )) MiB"
echo
print_av_offsets
echo
frame_cost_report

mkdir -p docs/images
for i in "${!pictures[@]}"; do
    ffmpeg -hide_banner -loglevel error -y -i "tests/golden/${pictures[$i]}.png" -vf "scale=$picture_size" \
        -pred mixed "docs/images/scene$((i + 1)).png"
done
echo "figures: refreshed docs/images/scene1.png ... scene5.png from tests/golden/"
