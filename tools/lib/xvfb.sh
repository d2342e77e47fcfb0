#!/usr/bin/env bash
# Starts a private Xvfb on a display number the server picks itself (-displayfd, so two
# starting at once never race for one), with GLX unless --no-glx is given. It prints the
# display number alone on a line on standard output once the server accepts clients, then
# becomes the server (exec): the caller stops it by the process id it started.
#   tools/lib/xvfb.sh [--no-glx]
set -euo pipefail

glx=+extension
case "${1:-}" in
    "") ;;
    --no-glx) glx=-extension ;;
    *) echo "usage: $0 [--no-glx]" >&2; exit 2 ;;
esac
exec Xvfb -displayfd 1 -screen 0 1024x768x24 "$glx" GLX -nolisten tcp 2>/dev/null
