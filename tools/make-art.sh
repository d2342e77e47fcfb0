#!/usr/bin/env bash
# Rebuilds every texture in data/images/: builds the artwork generator (tools/artgen) in
# build-tools/artgen, renders its PPM pictures into a temporary directory and converts
# each to a high-quality JPEG. Run it from anywhere; as root it installs what is missing.
set -euo pipefail

repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo_root"

# Debian packages the generator and the conversion need.
required_packages=(cmake make g++ libfreetype-dev fonts-dejavu-core ffmpeg)

missing=()
for package in "${required_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} > 0)); then
    if ((EUID != 0)); then
        echo "make-art: missing packages (install them as root): ${missing[*]}" >&2
        exit 1
    fi
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build_dir=build-tools/artgen
cmake -S tools/artgen -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target artgen -j "$(nproc)"

work_dir="$(mktemp -d)"
trap 'rm -rf "$work_dir"' EXIT
"$build_dir/artgen" "$work_dir"

mkdir -p data/images
for ppm in "$work_dir"/*.ppm; do
    name="$(basename "$ppm" .ppm)"
    # Full-resolution chroma: 4:2:0 subsampling would smear thin glyph edges into colour.
    ffmpeg -y -loglevel error -i "$ppm" -frames:v 1 -update 1 -q:v 2 -pix_fmt yuvj444p "data/images/$name.jpg"
done
echo "make-art: wrote $(ls data/images/*.jpg | wc -l) images to data/images/"
