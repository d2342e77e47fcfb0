#!/usr/bin/env bash
# Fuzzes the code that reads what Tramble did not make: the audio library (audio), image
# decoding (image) and the font's text handling (text), with libFuzzer under AddressSanitizer
# and UndefinedBehaviorSanitizer, built with clang-14 into build-fuzz.
#
#   tools/fuzz.sh [--seconds N] [target...]     (default: 30 s each, every target)
#
# First replays the kept crash inputs (fuzz/regressions/<target>/), then fuzzes the targets
# at once, starting from the seeds in fuzz/corpus/<target>/ and the inputs found earlier in
# build-fuzz/corpus/<target>/. Logs go to build-fuzz/logs/<target>.log; an input that fails
# is written to build-fuzz/crashes/<target>/ and makes the command fail. Keep each such input
# in fuzz/regressions/<target>/ once the fault is mended.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

seconds=30
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds="$2"; shift 2 ;;
        audio | image | text) targets+=("$1"); shift ;;
        *) echo "usage: $0 [--seconds N] [audio] [image] [text]" >&2; exit 2 ;;
    esac
done
[ ${#targets[@]} -gt 0 ] || targets=(audio image text)
tramble_fuzz "$seconds" "${targets[@]}"
