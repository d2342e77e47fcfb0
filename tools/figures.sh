#!/usr/bin/env bash
# Measures the demo under llvmpipe at 800x600: plays the optimised binary once in real time
# (205 s) under a private Xvfb with the capture library logging every frame and every audio
# buffer, then prints each scene's median frames per second (over whole seconds of its
# timeline), the A/V offset at each scene start, the time from launch to the first frame and
# the peak memory; and refreshes docs/images/sceneN.png, one picture per scene taken from the
# approved golden frames, for the README.
#   tools/figures.sh [--binary FILE] [--stop-at SECONDS]
#   --binary FILE      measures that build of the demo instead (with this capture library)
#   --stop-at SECONDS  stops the whole process (SIGSTOP) that long after launch, for 5 s
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

binary="$TRAMBLE_RELEASE_BUILD/tramble"
stop_at=""
while [ $# -gt 0 ]; do
    case "$1" in
        --binary) binary="$(realpath "$2")"; shift 2 ;;
        --stop-at) stop_at="$2"; shift 2 ;;
        *) echo "usage: $0 [--binary FILE] [--stop-at SECONDS]" >&2; exit 2 ;;
    esac
done
stop_seconds=5

# The golden frame that pictures each scene in the README, and the pictures' size.
pictures=(scene1-010000ms scene2-075000ms scene3-100000ms scene4-160000ms scene5-199000ms)
picture_size=400x300
# Scene boundaries on the timeline, in ms.
scene_edges="0 45000 85000 125000 165000 205000"

tramble_require_packages "${TRAMBLE_PACKAGES[@]}" ffmpeg
tramble_build_capture
tramble_start_xvfb
work="$(mktemp -d /tmp/tramble-figures-XXXXXX)"
tramble_on_exit 'rm -rf "$work"'

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

echo "figures: playing the demo once in real time (205 s) under llvmpipe${stop_at:+, stopped for ${stop_seconds} s at ${stop_at} s}"
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

mkdir -p docs/images
for i in "${!pictures[@]}"; do
    ffmpeg -hide_banner -loglevel error -y -i "tests/golden/${pictures[$i]}.png" -vf "scale=$picture_size" \
        -pred mixed "docs/images/scene$((i + 1)).png"
done
echo "figures: refreshed docs/images/scene1.png ... scene5.png from tests/golden/"
