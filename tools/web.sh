#!/usr/bin/env bash
# The web build: installs what is missing (as root), builds libmpg123, libsyn123 and libjpeg
# for the browser from Debian's sources (once; kept in build-web/deps), builds our code with
# Emscripten into build-web/, and serves it on this machine, printing the address.
#   --build  only builds.
#   --check  builds, then checks that the browser build decodes our music and pictures as
#            the desktop does (the same program built natively, run side by side).
#   --test   builds, then checks the page in headless Chromium (tools/webtest/webtest.js):
#            the whole run, frames against the desktop's, the first scene change on its music.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$TRAMBLE_ROOT"

mode="${1:-serve}"
case "$mode" in
serve | --build | --check | --test) ;;
*)
    echo "usage: $0 [--build | --check | --test]" >&2
    exit 2
    ;;
esac

DEPS="$TRAMBLE_WEB_BUILD/deps"
# The reference build for --check: the browser's parts built natively, against libmpg123
# built natively from the same source, so that decoding may be compared sample for sample.
NATIVE_BUILD="$TRAMBLE_WEB_BUILD/native"
# Links at -O1 and above run Emscripten's JavaScript optimiser, which needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs
# Emscripten's output fetches its .wasm with fetch() when Node offers it, which fails for files.
NODE=(node --no-experimental-fetch)

# Downloads Debian's source packages of mpg123 and libjpeg-turbo into $DEPS/src, once,
# through a private deb-src list made from the system's Debian entries.
web_fetch_sources() {
    local src="$DEPS/src"
    if compgen -G "$src/mpg123_*.dsc" >/dev/null && compgen -G "$src/libjpeg-turbo_*.dsc" >/dev/null; then
        return 0
    fi
    local apt="$DEPS/apt" codename
    codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
    mkdir -p "$apt/lists/partial" "$apt/cache" "$apt/sources" "$src"
    # The release's own suites (not third-party ones, which may publish no sources), in the
    # one-line format and in deb822 stanzas.
    sed -n -E "s/^deb (.* ${codename}[ -].*)$/deb-src \1/p" /etc/apt/sources.list \
        /etc/apt/sources.list.d/*.list 2>/dev/null >"$apt/sources/debian.list" || true
    awk -v RS= -v ORS='\n\n' -v codename="$codename" \
        '/(^|\n)Types:[^\n]*deb/ && $0 ~ ("\nSuites:[^\n]*[ ]" codename "([ -]|\n|$)") {
            sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
        /etc/apt/sources.list.d/*.sources 2>/dev/null >"$apt/sources/debian.sources" || true
    local options=(-q -o Dir::Etc::sourcelist=/nonexistent -o "Dir::Etc::sourceparts=$apt/sources"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
    apt-get "${options[@]}" update >/dev/null
    # mpg123's description lists an upstream signature (.asc) that the archive does not
    # publish, so apt reports a failure; dpkg-source checks the other files when unpacking.
    (cd "$src" && apt-get "${options[@]}" source --download-only mpg123 libjpeg-turbo >/dev/null 2>&1) || true
    compgen -G "$src/mpg123_*.dsc" >/dev/null && compgen -G "$src/libjpeg-turbo_*.dsc" >/dev/null && return 0
    echo "tramble: could not download Debian's sources of mpg123 and libjpeg-turbo" >&2
    return 1
}

# Unpacks source package $1 with Debian's patches into a fresh $2 (a copied tree would
# have autotools' timestamps out of order, and its build would want automake).
web_unpack() {
    local dsc
    dsc="$(compgen -G "$DEPS/src/$1_*.dsc" | head -n 1)"
    rm -rf "$2"
    mkdir -p "$(dirname "$2")"
    dpkg-source --no-check --no-copy -x "$dsc" "$2" >/dev/null
}

# Builds libmpg123 and libsyn123 into the prefix $DEPS/$1, for "wasm" or "native", unless
# they are there. Generic float decoding on both: the desktop's SIMD decoders round
# differently, by one in the last bit of a few samples in a thousand.
web_build_mpg123() {
    local prefix="$DEPS/$1" tree="$DEPS/work/$1/mpg123"
    # The pkg-config files go in last: they mark a whole build.
    [ -f "$prefix/lib/pkgconfig/libmpg123.pc" ] && return 0
    echo "tramble: building libmpg123 ($1)"
    web_unpack mpg123 "$tree"
    local configure=(./configure --prefix="$prefix" --with-cpu=generic_fpu --disable-shared --enable-static
        --with-audio=dummy --with-default-audio=dummy --enable-modules=no --disable-network --disable-ipv6
        --disable-largefile CFLAGS=-O2)
    local run_configure=() run_make=()
    if [ "$1" = wasm ]; then
        # The tarball's config.sub knows no wasm32-unknown-emscripten.
        configure+=(--host=wasm32)
        run_configure=(emconfigure)
        run_make=(emmake)
    fi
    # CFLAGS=-O2 given to make too replaces the -ffast-math configure adds, so that both
    # builds round alike.
    (cd "$tree" && "${run_configure[@]}" "${configure[@]}" >configure.log 2>&1 &&
        "${run_make[@]}" make -j "$(nproc)" CFLAGS=-O2 install-libLTLIBRARIES install-includeHEADERS \
            install-nodist_includeHEADERS >make.log 2>&1 && make install-pkgconfigDATA >>make.log 2>&1) || {
        echo "tramble: libmpg123 ($1) failed to build; see $tree/configure.log and make.log" >&2
        return 1
    }
}

# Configures a CMake build for Emscripten with the given arguments. CMake's checks run test
# programs through the emulator given here: the one emcmake picks passes Node a flag Node 20
# rejects. emcmake's echo of the command line is left out.
web_emcmake() {
    emcmake cmake "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" "$@" \
        2> >(grep -v '^configure: ' >&2)
}

# Builds libjpeg into $DEPS/wasm unless it is there.
web_build_libjpeg() {
    local prefix="$DEPS/wasm" tree="$DEPS/work/wasm/libjpeg-turbo"
    [ -f "$prefix/lib/libjpeg.a" ] && return 0
    echo "tramble: building libjpeg (wasm)"
    web_unpack libjpeg-turbo "$tree"
    (web_emcmake -S "$tree" -B "$tree/build" -DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=0 -DENABLE_SHARED=0 \
        -DENABLE_STATIC=1 -DWITH_TURBOJPEG=0 -DWITH_JAVA=0 >"$tree/configure.log" 2>&1 &&
        emmake make -C "$tree/build" -j "$(nproc)" jpeg-static >"$tree/make.log" 2>&1) || {
        echo "tramble: libjpeg failed to build; see $tree/configure.log and make.log" >&2
        return 1
    }
    # Installing would build the command-line tools too: the library and its headers suffice.
    install -D -m 644 -t "$prefix/include" "$tree"/{jpeglib.h,jmorecfg.h,jerror.h} "$tree/build/jconfig.h"
    install -D -m 644 -t "$prefix/lib" "$tree/build/libjpeg.a"
}

tramble_require_packages "${TRAMBLE_PACKAGES[@]}" "${TRAMBLE_WEB_PACKAGES[@]}"
web_fetch_sources
web_build_mpg123 wasm
web_build_libjpeg

echo "== web build"
# Everything TRAMBLE_WEB selects in CMakeLists.txt: the demo's page joins the build there.
# The libraries above are found through their pkg-config files and, since Emscripten's CMake
# looks only under its find roots, through deps/wasm as one more root.
PKG_CONFIG_LIBDIR="$DEPS/wasm/lib/pkgconfig" web_emcmake -S "$TRAMBLE_ROOT" -B "$TRAMBLE_WEB_BUILD" \
    -DTRAMBLE_WEB=ON -DTRAMBLE_WERROR=ON -DCMAKE_BUILD_TYPE=Release "-DCMAKE_FIND_ROOT_PATH=$DEPS/wasm" >/dev/null
cmake --build "$TRAMBLE_WEB_BUILD" -j "$(nproc)"

if [ "$mode" = --check ]; then
    echo "== decoding in the browser build against the desktop"
    web_build_mpg123 native
    PKG_CONFIG_LIBDIR="$DEPS/native/lib/pkgconfig" cmake -S "$TRAMBLE_ROOT" -B "$NATIVE_BUILD" -DTRAMBLE_WEB=ON \
        -DTRAMBLE_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$NATIVE_BUILD" -j "$(nproc)"
    check_args=(data/sounds/tramble.mp3 data/images/*.jpg)
    "${NODE[@]}" "$TRAMBLE_WEB_BUILD/tools/webcheck/tramble_decodecheck.js" "${check_args[@]}" >"$TRAMBLE_WEB_BUILD/decode-wasm.txt"
    "$NATIVE_BUILD/tools/webcheck/tramble_decodecheck" "${check_args[@]}" >"$TRAMBLE_WEB_BUILD/decode-native.txt"
    cat "$TRAMBLE_WEB_BUILD/decode-wasm.txt"
    diff "$TRAMBLE_WEB_BUILD/decode-native.txt" "$TRAMBLE_WEB_BUILD/decode-wasm.txt" || {
        echo "tramble: the browser build decodes differently from the desktop (< desktop, > browser)" >&2
        exit 1
    }
    echo "tramble: the browser build decodes as the desktop does"
    exit 0
fi
[ "$mode" = --build ] && exit 0

if [ "$mode" = --test ]; then
    # The frames compared: at least one in every scene, on the fixed clock's step of 43
    # device buffers (998.46 ms; the desktop's capture takes the same fraction).
    frames=10,30,50,75,100,118,140,160,183,199
    step_ms=440320/441
    echo "== the page in headless Chromium"
    webtest="$TRAMBLE_WEB_BUILD/webtest"
    mkdir -p "$webtest"
    cp tools/webtest/package.json "$webtest/"
    (cd "$webtest" && npm install --no-audit --no-fund --silent)
    export NODE_PATH="$webtest/node_modules"
    tramble_build_capture
    tramble_start_xvfb
    rm -rf "$webtest/desktop" "$webtest/browser"
    mkdir -p "$webtest/desktop"
    GALLIUM_DRIVER=llvmpipe SDL_AUDIODRIVER=dummy LD_PRELOAD="$TRAMBLE_CAPTURE_LIBRARY" TRAMBLE_FRAME_MS="$step_ms" \
        TRAMBLE_CAPTURE_FRAMES="$frames" TRAMBLE_CAPTURE_DIR="$webtest/desktop" "$TRAMBLE_RELEASE_BUILD/tramble" \
        >"$webtest/desktop/log.txt" 2>&1
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
    python3 -m http.server "$port" --bind 127.0.0.1 --directory "$TRAMBLE_WEB_BUILD" >/dev/null 2>&1 &
    tramble_on_exit "kill $! 2>/dev/null"
    url="http://127.0.0.1:$port/"
    for _ in $(seq 1 50); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.1
    done
    failed=0
    node tools/webtest/webtest.js run "$url" || failed=1
    node tools/webtest/webtest.js pictures "$url" "$webtest/browser" "$frames" &&
        node tools/webtest/webtest.js compare "$webtest/desktop" "$webtest/browser" "$frames" || failed=1
    node tools/webtest/webtest.js sync "$url" 50 || failed=1
    [ "$failed" = 0 ] && echo "tramble: the page passes its browser checks"
    exit "$failed"
fi

port="${TRAMBLE_WEB_PORT:-8000}"
echo "tramble: the demo's page is at http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$TRAMBLE_WEB_BUILD"
