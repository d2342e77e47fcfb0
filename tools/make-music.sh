#!/usr/bin/env bash
# Regenerates the demo's music, data/sounds/tramble.mp3: builds the synthesizer in
# tools/musicgen, renders the 205 s piece as WAV and encodes it with lame (128 kbps CBR).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

BUILD_DIR=build-tools/musicgen
OUTPUT=data/sounds/tramble.mp3

tramble_require_packages cmake make g++ lame

cmake -S tools/musicgen -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD_DIR" --target musicgen -j "$(nproc)"

wav=$(mktemp --suffix=.wav)
tramble_on_exit 'rm -f "$wav"'
"$BUILD_DIR/musicgen" "$wav"

mkdir -p "$(dirname "$OUTPUT")"
lame --quiet -b 128 --cbr -m j -q 2 --resample 44.1 --id3v2-only --tt "Tramble" "$wav" "$OUTPUT"
echo "make-music: wrote $OUTPUT"
