#!/usr/bin/env bash
# Re-approves the golden frames: builds like the test command, runs the golden-frame test in
# approval mode, which captures its fifteen instants and writes them over tests/golden/*.png.
# Look at every new reference (and `git diff --stat tests/golden`) before committing them.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

tramble_require_packages "${TRAMBLE_PACKAGES[@]}"
tramble_build build
echo "approve-golden: capturing the golden instants (about two minutes)"
TRAMBLE_APPROVE_GOLDEN=1 ./build/tests/program_tests --gtest_filter='GoldenFrames.*' | grep '^approved '
echo "approve-golden: done; now look at each of tests/golden/*.png before committing them"
