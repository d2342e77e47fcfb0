#!/usr/bin/env bash
# The shader build's binary imports from OpenGL only what OpenGL ES 2.0 declares: every gl*
# function it links must be declared in the given gl2.h, and nothing may come from GLU. Fixed-
# function entry points (glBegin, glCallLists, glLight*, glFog*, glTexGen*, glPolygonMode,
# glMatrixMode, gluBuild2DMipmaps, ...) are all outside that set.
set -euo pipefail
binary="$1"
header="$2"
imported="$(nm -D --undefined-only "$binary" | awk '{ print $NF }' | sed 's/@.*//' | grep -E '^glu?[A-Z]' | sort -u)"
if [ -z "$imported" ]; then
    echo "no OpenGL function among the imports of $binary" >&2
    exit 1
fi
declared="$(grep -oE 'GL_APIENTRY gl[A-Za-z0-9]+' "$header" | awk '{ print $2 }' | sort -u)"
outside="$(comm -23 <(printf '%s\n' "$imported") <(printf '%s\n' "$declared"))"
if [ -n "$outside" ]; then
    echo "$binary imports OpenGL functions that OpenGL ES 2.0 does not have:" >&2
    printf '    %s\n' $outside >&2
    exit 1
fi
echo "$(printf '%s\n' "$imported" | wc -l) OpenGL imports, all OpenGL ES 2.0"
