#!/usr/bin/env bash
# Makes a video of the whole demo: plays the real binary under a private Xvfb with the capture
# library, on a clock that advances exactly 1000/60 ms per frame with the audio device pulled
# in step, and encodes every frame with the sound the demo itself played into
# out/tramble.mp4 (H.264 + AAC, 800x600, 60 fps). Installs what is missing (as root).
#   tools/make-video.sh [--frames LIST] [--no-video] [--output FILE]
#   --frames LIST  also writes these frames as PNG to out/frames/ ("0,600-660"; frame n is n/60 s)
#   --no-video     only the PNG frames, with the frames nobody reads left unfilled (much faster)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

frames=""
video=yes
output="$TRAMBLE_ROOT/out/tramble.mp4"
while [ $# -gt 0 ]; do
    case "$1" in
        --frames) frames="$2"; shift 2 ;;
        --no-video) video=no; shift ;;
        --output) output="$(realpath -m "$2")"; shift 2 ;;
        *) echo "usage: $0 [--frames LIST] [--no-video] [--output FILE]" >&2; exit 2 ;;
    esac
done
if [ "$video" = no ] && [ -z "$frames" ]; then
    echo "make-video: --no-video needs --frames" >&2
    exit 2
fi

tramble_require_packages "${TRAMBLE_PACKAGES[@]}" ffmpeg
tramble_build_capture
tramble_start_xvfb

work="$(mktemp -d /tmp/tramble-video-XXXXXX)"
tramble_on_exit 'rm -rf "$work"'
mkdir -p "$TRAMBLE_ROOT/out"
capture_env=(SDL_AUDIODRIVER=dummy TRAMBLE_FRAME_MS=1000/60 LD_PRELOAD="$TRAMBLE_CAPTURE_LIBRARY")
if [ -n "$frames" ]; then
    mkdir -p "$TRAMBLE_ROOT/out/frames"
    capture_env+=(TRAMBLE_CAPTURE_FRAMES="$frames" TRAMBLE_CAPTURE_DIR="$TRAMBLE_ROOT/out/frames")
fi
log="$TRAMBLE_ROOT/out/tramble-capture.log"

if [ "$video" = no ]; then
    echo "make-video: capturing frames $frames into out/frames/"
    env "${capture_env[@]}" TRAMBLE_CLIP_UNREAD=1 "$TRAMBLE_RELEASE_BUILD/tramble" >"$log" 2>&1
    echo "make-video: done: the frames are out/frames/frame-NNNNNN.png (log: out/tramble-capture.log)"
    exit 0
fi

echo "make-video: playing the whole demo frame by frame (about eight minutes)"
mkfifo "$work/frames.rgb"
ffmpeg -hide_banner -loglevel error -y \
    -f rawvideo -pixel_format rgb24 -video_size 800x600 -framerate 60 -i "$work/frames.rgb" \
    -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p "$work/picture.mp4" &
encoder=$!
tramble_show_progress "$work/frames.txt" "$log" 60 &
tramble_on_exit "kill $! 2>/dev/null"
if ! env "${capture_env[@]}" TRAMBLE_CAPTURE_VIDEO="$work/frames.rgb" TRAMBLE_CAPTURE_AUDIO="$work/sound.wav" \
    TRAMBLE_FRAME_LOG="$work/frames.txt"     "$TRAMBLE_RELEASE_BUILD/tramble" >"$log" 2>&1; then
    kill "$encoder" 2>/dev/null || true
    echo "make-video: the demo failed; see out/tramble-capture.log" >&2
    exit 1
fi
wait "$encoder"
# The sound's first sample is heard with the first frame (the capture library's WAV), and it
# ends a device buffer after the last frame: cut to the picture.
ffmpeg -hide_banner -loglevel error -y -i "$work/picture.mp4" -i "$work/sound.wav" -map 0:v -map 1:a \
    -c:v copy -c:a aac -b:a 160k -shortest -movflags +faststart "$work/tramble.mp4"
# Only a finished video replaces the previous one.
mkdir -p "$(dirname "$output")"
mv "$work/tramble.mp4" "$output"
echo "make-video: the video is $output ($(du -h "$output" | cut -f1); log: out/tramble-capture.log)"
