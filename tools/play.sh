#!/usr/bin/env bash
# Plays the demo: installs what is missing (as root), builds, and runs it from the
# repository root (it reads data/ from there). Without a screen it makes a video of the demo
# instead (tools/make-video.sh), and without a sound card it plays through SDL's silent
# dummy driver, and says so.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

# xdpyinfo, which tells whether there is a display, is among the packages.
tramble_require_packages "${TRAMBLE_PACKAGES[@]}"
if ! tramble_have_display; then
    echo "tramble: no display found: making a video of the demo instead of playing it blind"
    exec "$TRAMBLE_ROOT/tools/make-video.sh"
fi
tramble_build_release tramble
if [ -z "${SDL_AUDIODRIVER:-}" ] && ! tramble_have_sound; then
    echo "tramble: no sound card or sound server found: playing silently (SDL dummy audio)"
    export SDL_AUDIODRIVER=dummy
fi
exec "$TRAMBLE_RELEASE_BUILD/tramble"
