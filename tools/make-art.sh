#!/usr/bin/env bash
# Rebuilds every texture in data/images/: builds the artwork generator (tools/artgen) in
# build-tools/artgen, renders its PPM pictures into a temporary directory and converts
# each to a high-quality JPEG. Run it from anywhere; as root it installs what is missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

# The generator, its typeface and the JPEG conversion.
tramble_require_packages cmake make g++ libfreetype-dev fonts-dejavu-core ffmpeg

build_dir=build-tools/artgen
cmake -S tools/artgen -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target artgen -j "$(nproc)"

work_dir="$(mktemp -d)"
tramble_on_exit 'rm -rf "$work_dir"'
"$build_dir/artgen" "$work_dir"

mkdir -p data/images
for ppm in "$work_dir"/*.ppm; do
    name="$(basename "$ppm" .ppm)"
    # Full-resolution chroma: 4:2:0 subsampling would smear thin glyph edges into colour.
    ffmpeg -y -loglevel error -i "$ppm" -frames:v 1 -update 1 -q:v 2 -pix_fmt yuvj444p "data/images/$name.jpg"
done
echo "make-art: wrote $(ls data/images/*.jpg | wc -l) images to data/images/"
