#!/usr/bin/env bash
# Regenerates the small MP3 fixtures of the audio library's tests in tests/audio/data/.
# Tones come from sox and are encoded by lame; the bad inputs are built byte by byte.
# Needs sox, lame, ImageMagick's convert and openssl. Run from anywhere; output is deterministic.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

tramble_require_packages sox lame imagemagick openssl

out="$TRAMBLE_ROOT/tests/audio/data"
tmp="$(mktemp -d)"
tramble_on_exit 'rm -rf "$tmp"'
mkdir -p "$out"

# tone NAME FREQ_HZ SECONDS RATE_HZ CHANNELS LAME_OPTIONS...
# A sine at half amplitude, encoded at its own sample rate (lame must not resample it).
tone() {
    local name=$1 freq=$2 secs=$3 rate=$4 chans=$5
    shift 5
    sox -R -n -r "$rate" -c "$chans" -b 16 "$tmp/$name.wav" synth "$secs" sine "$freq" vol 0.5
    lame --quiet --resample "$(echo "$rate" | awk '{ printf "%g", $1 / 1000 }')" "$@" \
        "$tmp/$name.wav" "$out/$name.mp3"
}

# Playable fixtures; tests/audio/audiotesting.h lists the same tone, length and rate for each,
# and the tests check them against what the decoder and the output produce:
#   name                               tone     length  rate      channels  encoding
tone tone440_1000ms_stereo44k_cbr  440  1.0   44100 2 -m j -b 128          # CBR 128 kb/s
tone tone440_1500ms_mono44k_cbr    440  1.5   44100 1 -m m -b 64           # CBR 64 kb/s
tone tone300_2000ms_mono22k_cbr    300  2.0   22050 1 -m m -b 64           # MPEG-2, CBR 64 kb/s
tone tone500_1250ms_stereo32k_cbr  500  1.25  32000 2 -m j -b 64           # CBR 64 kb/s
tone tone1000_1750ms_stereo48k_cbr 1000 1.75  48000 2 -m j -b 96           # CBR 96 kb/s
tone tone880_1200ms_stereo44k_vbr  880  1.2   44100 2 -m j -V 6            # VBR quality 6
tone tone220_1800ms_mono48k_vbr    220  1.8   48000 1 -m m -V 7            # VBR quality 7

# 16x16 red JPEG: cover art for the tagged fixture and, renamed, a non-MP3 input.
convert -size 16x16 xc:red "$tmp/red.jpg"

# 660 Hz, 1.1 s, 44.1 kHz stereo CBR 96 kb/s behind an ID3v2 tag that carries text frames and
# the JPEG above as a picture, so the audio starts well after the first kilobyte.
tone tone660_1100ms_stereo44k_id3 660 1.1 44100 2 -m j -b 96 --id3v2-only \
    --tt "Fixture" --ta "Tramble" --tl "Tests" --ty 2024 --ti "$tmp/red.jpg"

# Bad inputs, none of which may yield a stream.
: > "$out/empty.mp3"                                   # zero bytes
cp "$tmp/red.jpg" "$out/image.mp3"                     # a JPEG under an MP3 name
# 8 KiB of pseudo-random bytes: AES-CTR keystream with a fixed key, the same on every run.
head -c 8192 /dev/zero | openssl enc -aes-128-ctr -nosalt -K 000102030405060708090a0b0c0d0e0f -iv 0 \
    2> /dev/null > "$out/random.mp3"
# The first 600 bytes of the CBR 128 kb/s stereo fixture: the LAME info frame (417 bytes) and
# less than half of the first audio frame, so not one frame of audio is complete.
head -c 600 "$out/tone440_1000ms_stereo44k_cbr.mp3" > "$out/truncated.mp3"
# An ID3v2.3 tag holding one title frame ("Silence", 8 bytes of content) and no audio after it.
# Tag size is 18 = 10-byte frame header + 8 bytes, written as a sync-safe integer.
printf 'ID3\003\000\000\000\000\000\022TIT2\000\000\000\010\000\000\000Silence' > "$out/id3only.mp3"
