#!/usr/bin/env bash
# Regenerates the demo's music, data/sounds/tramble.mp3: builds the synthesizer in
# tools/musicgen, renders the 205 s piece as WAV and encodes it with lame (128 kbps CBR).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

build_dir=build-tools/musicgen
output=data/sounds/tramble.mp3

tramble_require_packages cmake make g++ lame

cmake -S tools/musicgen -B "$build_dir" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" --target musicgen -j "$(nproc)"

wav=$(mktemp --suffix=.wav)
tramble_on_exit 'rm -f "$wav"'
"$build_dir/musicgen" "$wav"

mkdir -p "$(dirname "$output")"
lame --quiet -b 128 --cbr -m j -q 2 --resample 44.1 --id3v2-only --tt "Tramble" "$wav" "$output"
echo "make-music: wrote $output"
