#!/usr/bin/env bash
# Measures the demo under llvmpipe at 800x600: plays the optimised binary once in real time
# (205 s) under a private Xvfb with the capture library logging every frame, then prints
# each scene's median frames per second (over whole seconds of its timeline), the time from
# launch to the first frame and the peak memory; and refreshes docs/images/sceneN.png, one
# picture per scene taken from the approved golden frames, for the README.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

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

echo "figures: playing the demo once in real time (205 s) under llvmpipe"
launch_ns="$(date +%s%N)"
GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy LD_PRELOAD="$TRAMBLE_CAPTURE_LIBRARY" TRAMBLE_FRAME_MS=real \
    TRAMBLE_FRAME_LOG="$work/frames.txt" "$TRAMBLE_RELEASE_BUILD/tramble" >"$work/tramble.log" 2>&1

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

mkdir -p docs/images
for i in "${!pictures[@]}"; do
    ffmpeg -hide_banner -loglevel error -y -i "tests/golden/${pictures[$i]}.png" -vf "scale=$picture_size" \
        -pred mixed "docs/images/scene$((i + 1)).png"
done
echo "figures: refreshed docs/images/scene1.png ... scene5.png from tests/golden/"
