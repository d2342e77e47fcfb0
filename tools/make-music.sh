#!/usr/bin/env bash
# Regenerates the demo's music, data/sounds/tramble.mp3: builds the synthesizer in
# tools/musicgen, renders the 205 s piece as WAV and encodes it with lame (128 kbps CBR).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

BUILD_DIR=build-tools/musicgen
OUTPUT=data/sounds/tramble.mp3

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v lame >/dev/null || missing+=(lame)
if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "make-music: missing ${missing[*]}; install them or run as root" >&2
        exit 1
    fi
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" make
fi

cmake -S tools/musicgen -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD_DIR" --target musicgen -j "$(nproc)"

wav=$(mktemp --suffix=.wav)
trap 'rm -f "$wav"' EXIT
"$BUILD_DIR/musicgen" "$wav"

mkdir -p "$(dirname "$OUTPUT")"
lame --quiet -b 128 --cbr -m j -q 2 --resample 44.1 --id3v2-only --tt "Tramble" "$wav" "$OUTPUT"
echo "make-music: wrote $OUTPUT"
