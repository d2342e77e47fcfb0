#!/usr/bin/env bash
# Refreshes the README's pictures, docs/images/scene1.png ... scene5.png: one approved golden
# frame per scene (tests/golden/) scaled to 400x300. Run it after tools/approve-golden.sh.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

tramble_require_packages ffmpeg
# The golden frame that pictures each scene, in scene order.
pictures=(scene1-010000ms scene2-075000ms scene3-100000ms scene4-160000ms scene5-199000ms)
mkdir -p docs/images
for i in "${!pictures[@]}"; do
    ffmpeg -hide_banner -loglevel error -y -i "tests/golden/${pictures[$i]}.png" -vf scale=400x300 \
        -pred mixed "docs/images/scene$((i + 1)).png"
done
echo "make-pictures: refreshed docs/images/scene1.png ... scene5.png from tests/golden/"
