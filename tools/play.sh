#!/usr/bin/env bash
# Plays the demo: installs what is missing (as root), builds, and runs it from the
# repository root (it reads data/ from there). Without a screen it plays under a private
# Xvfb, and without a sound card through SDL's silent dummy driver, and says so.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

tramble_require_packages "${TRAMBLE_PACKAGES[@]}"
tramble_build build -DTRAMBLE_TESTS=OFF -DTRAMBLE_BENCH=OFF -DCMAKE_BUILD_TYPE=Release

if ! tramble_have_display; then
    echo "tramble: no display found: playing under a private Xvfb, nothing will be shown"
    tramble_start_xvfb
fi
if [ -z "${SDL_AUDIODRIVER:-}" ] && ! tramble_have_sound; then
    echo "tramble: no sound card or sound server found: playing silently (SDL dummy audio)"
    export SDL_AUDIODRIVER=dummy
fi
exec ./build/tramble
