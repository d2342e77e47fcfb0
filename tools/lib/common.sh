# Shared set-up for the play, test and tool commands: the Debian packages Tramble needs, a
# build in a given directory, a private Xvfb display when there is no screen, exit clean-ups.
# Source it; it defines functions only.

TRAMBLE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Clean-ups run when the calling shell exits, newest first. Register them with
# tramble_on_exit: a plain `trap ... EXIT` would replace every clean-up registered before it.
TRAMBLE_EXIT_COMMANDS=()
tramble_run_exit_commands() {
    local i
    for ((i = ${#TRAMBLE_EXIT_COMMANDS[@]} - 1; i >= 0; i--)); do
        eval "${TRAMBLE_EXIT_COMMANDS[i]}" || true
    done
}
tramble_on_exit() {
    TRAMBLE_EXIT_COMMANDS+=("$1")
    trap tramble_run_exit_commands EXIT
}

# Everything needed to build, run and test the demo headless.
TRAMBLE_PACKAGES=(cmake g++ make pkg-config libsdl1.2-compat-dev libsdl-image1.2-dev libgl-dev
    libgles-dev libglu1-mesa-dev libgl1-mesa-dri libboost-dev libmpg123-dev googletest libgtest-dev
    libbenchmark-dev xvfb xauth xdotool x11-utils zlib1g-dev)
# The tests that draw, as the shader back end's run selects them: every suite with a GL context.
TRAMBLE_DRAWING_TESTS='^(RendererTest|TextureTest|FontTest|EffectDrawingTest|SceneTest|TextSequenceTest|SceneHandlerTest|InputChain|GoldenFrames|ShaderBinary)\.'
# The artwork generator's tests need its rasteriser and typeface; the format check its tool.
TRAMBLE_PACKAGES+=(libfreetype-dev fonts-dejavu-core clang-format git)

# Installs whatever of the given packages is missing (as root), or says what to install.
tramble_require_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "tramble: installing ${missing[*]}"
        apt-get update -q >/dev/null
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
    else
        echo "tramble: please install these Debian packages first (or run this as root):" >&2
        echo "  sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
}

# Configures and builds into $1 with any further CMake arguments; after "--", only the targets
# named.
tramble_build() {
    local dir="$1"
    shift
    local options=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        options+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    cmake -S "$TRAMBLE_ROOT" -B "$dir" -DTRAMBLE_WERROR=ON "${options[@]}" >/dev/null
    cmake --build "$dir" -j "$(nproc)" ${1:+--target "$@"}
}

# The optimised build, build-release, shared by the play, video and figures commands (the
# test command keeps build/, so neither rebuilds the other's); builds the given targets.
TRAMBLE_RELEASE_BUILD="$TRAMBLE_ROOT/build-release"
tramble_build_release() {
    cmake -S "$TRAMBLE_ROOT" -B "$TRAMBLE_RELEASE_BUILD" -DTRAMBLE_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
        -DTRAMBLE_BENCH=OFF >/dev/null
    cmake --build "$TRAMBLE_RELEASE_BUILD" -j "$(nproc)" --target "$@"
}

# The optimised demo and the capture preload library (tools/capture) that the video and
# figures commands drive it with.
TRAMBLE_CAPTURE_LIBRARY="$TRAMBLE_RELEASE_BUILD/tools/capture/libtramble_capture.so"
tramble_build_capture() {
    tramble_build_release tramble tramble_capture
}

# Fails when a tracked C++ file is not laid out as .clang-format says (run clang-format -i on
# it). TRAMBLE_SKIP_FORMAT_CHECK=1 skips the check, and says so.
tramble_check_format() {
    if [ -n "${TRAMBLE_SKIP_FORMAT_CHECK:-}" ]; then
        echo "tramble: format check skipped (TRAMBLE_SKIP_FORMAT_CHECK is set)"
        return 0
    fi
    (cd "$TRAMBLE_ROOT" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror)
}

# True when $DISPLAY names an X server that answers.
tramble_have_display() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Starts a private Xvfb with GLX (tools/lib/xvfb.sh), exports DISPLAY and stops the server
# when the calling shell exits.
tramble_start_xvfb() {
    local announced number
    exec {announced}< <(exec "$TRAMBLE_ROOT/tools/lib/xvfb.sh")
    tramble_on_exit "kill $! 2>/dev/null"
    if ! read -r -t 10 number <&"$announced"; then
        echo "tramble: Xvfb did not start" >&2
        return 1
    fi
    exec {announced}<&-
    export DISPLAY=":$number"
}

# Until killed, prints every 15 s how many frames the capture library's frame log $1
# (TRAMBLE_FRAME_LOG) has counted, and the time left at the pace so far. The demo's length
# comes from its own log $2, where each scene is added "from <start> to <end>" in ms, shown at
# $3 frames per second.
tramble_show_progress() {
    local log="$1" program_log="$2" fps="$3" start="$SECONDS" done elapsed total
    while sleep 15; do
        # The last whole line: the log is written in blocks, so the final line may be cut.
        done="$(tail -n 2 "$log" 2>/dev/null | awk '$1 == "frame" && NF == 4 { n = $2 + 1 } END { print n + 0 }')"
        total="$(awk -v fps="$fps" '/Adding scene from / && $NF > end { end = $NF }
            END { print int(end * fps / 1000) }' "$program_log" 2>/dev/null)"
        elapsed=$((SECONDS - start))
        [ "$done" -gt 0 ] && [ "${total:-0}" -gt "$done" ] || continue
        echo "  $done of $total frames, about $(((total - done) * elapsed / done / 60)) min" \
            "$(((total - done) * elapsed / done % 60)) s left"
    done
}

# True when a sound server or card is there to play through.
tramble_have_sound() {
    [ -n "${PULSE_SERVER:-}" ] && return 0
    [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ] && return 0
    [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pipewire-0" ] && return 0
    compgen -G "/dev/snd/pcmC*D*p" >/dev/null
}

# ---- Fuzzing (tools/fuzz.sh; a short run in tools/test.sh) ----

# The compiler and libFuzzer runtime the fuzz build needs, besides TRAMBLE_PACKAGES.
TRAMBLE_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev libfuzzer-14-dev)
TRAMBLE_FUZZ_BUILD="$TRAMBLE_ROOT/build-fuzz"
# Largest input per target in bytes: a few MPEG frames, a small picture, a long line.
declare -A TRAMBLE_FUZZ_MAX_LEN=([audio]=8192 [image]=4096 [text]=512)
# Seconds one input may take before it counts as a hang (wall clock, on a busy machine).
TRAMBLE_FUZZ_INPUT_TIMEOUT=25
# Seconds each target fuzzes in the test command.
TRAMBLE_FUZZ_CI_SECONDS=10

# Builds the fuzz targets, replays the kept regression inputs, then fuzzes each target given
# after $1 (seconds) at once. Fails when any replay or run finds a fault.
tramble_fuzz() {
    local seconds="$1"
    shift
    tramble_require_packages "${TRAMBLE_PACKAGES[@]}" "${TRAMBLE_FUZZ_PACKAGES[@]}"
    CC=clang-14 CXX=clang++-14 cmake -S "$TRAMBLE_ROOT" -B "$TRAMBLE_FUZZ_BUILD" -DTRAMBLE_FUZZ=ON \
        -DTRAMBLE_WERROR=ON -DTRAMBLE_TESTS=OFF -DTRAMBLE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    local target
    for target in "$@"; do
        cmake --build "$TRAMBLE_FUZZ_BUILD" -j "$(nproc)" --target "${target}_fuzz"
    done
    local environment=(SDL_AUDIODRIVER=dummy
        LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$TRAMBLE_ROOT/tools/lsan.supp}"
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}")
    mkdir -p "$TRAMBLE_FUZZ_BUILD/logs"
    local failed=0
    local -a pids=()
    for target in "$@"; do
        local binary="$TRAMBLE_FUZZ_BUILD/fuzz/${target}_fuzz"
        local kept=("$TRAMBLE_ROOT/fuzz/regressions/$target"/*)
        if [ -e "${kept[0]}" ] && ! env "${environment[@]}" "$binary" "${kept[@]}" >"$TRAMBLE_FUZZ_BUILD/logs/$target-replay.log" 2>&1; then
            echo "fuzz: $target fails a kept input; see $TRAMBLE_FUZZ_BUILD/logs/$target-replay.log" >&2
            failed=1
        fi
        local dictionary="$TRAMBLE_ROOT/fuzz/$target.dict"
        local options=(-max_total_time="$seconds" -max_len="${TRAMBLE_FUZZ_MAX_LEN[$target]}"
            -timeout="$TRAMBLE_FUZZ_INPUT_TIMEOUT" -print_final_stats=1
            -artifact_prefix="$TRAMBLE_FUZZ_BUILD/crashes/$target/")
        [ -f "$dictionary" ] && options+=(-dict="$dictionary")
        mkdir -p "$TRAMBLE_FUZZ_BUILD/corpus/$target" "$TRAMBLE_FUZZ_BUILD/crashes/$target"
        env "${environment[@]}" "$binary" "${options[@]}" "$TRAMBLE_FUZZ_BUILD/corpus/$target" "$TRAMBLE_ROOT/fuzz/corpus/$target" \
            >"$TRAMBLE_FUZZ_BUILD/logs/$target.log" 2>&1 &
        pids+=($!)
    done
    local i=0
    for target in "$@"; do
        if wait "${pids[$i]}"; then
            echo "fuzz: $target clean: $(grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|^#[0-9]+.*DONE' \
                "$TRAMBLE_FUZZ_BUILD/logs/$target.log" | tr '\n' ' ')"
        else
            echo "fuzz: $target found a fault; see $TRAMBLE_FUZZ_BUILD/logs/$target.log" >&2
            failed=1
        fi
        i=$((i + 1))
    done
    return "$failed"
}

# ---- The web build (tools/web.sh) ----

# Emscripten (its own SDL 1.2 included), Node to run its output, the tools that fetch and
# unpack Debian's sources of the libraries the browser lacks, and the browser the page is
# checked in.
TRAMBLE_WEB_PACKAGES=(emscripten nodejs dpkg-dev chromium python3-websocket)
# The web build; Debian's sources and the libraries built from them live in its deps/.
TRAMBLE_WEB_BUILD="$TRAMBLE_ROOT/build-web"
