// Fuzz target for the audio library: any bytes as an MP3 file through BASS_StreamCreateFile,
// played by pulling the mixing path by hand from an output opened without a device, then
// restarted and pulled again. Positions must advance by whole
// sample frames, never by more than was pulled, and convert to sane seconds.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/audiooutput.h"
#include "audio/bass.h"

namespace {

// Output rate in Hz: the demo's, so 44.1 kHz files skip the resampler and others use it.
const DWORD outputRate = 44100;
// Sample frames per pull: one device buffer of the demo.
const std::size_t pullFrames = 1024;
// Pulls per play, at most: about 0.75 s of output, enough to cross several MPEG frames.
const int maxPulls = 32;
// Bytes per output sample frame: two signed 16-bit samples.
const QWORD bytesPerFrame = 4;

std::string inputPath;

// Pulls until the stream runs dry or maxPulls, checking the position after each pull.
void pull(HSTREAM stream) {
    static std::int16_t buffer[pullFrames * 2];
    QWORD before = BASS_ChannelGetPosition(stream);
    for (int i = 0; i < maxPulls; ++i) {
        Tramble::bassOutput().mix(buffer, pullFrames);
        const QWORD position = BASS_ChannelGetPosition(stream);
        if (position == QWORD(-1) || position % bytesPerFrame != 0 || position < before ||
            position - before > pullFrames * bytesPerFrame) {
            std::abort();
        }
        const float seconds = BASS_ChannelBytes2Seconds(stream, position);
        if (!std::isfinite(seconds) || seconds < 0.0f) {
            std::abort();
        }
        if (position - before < pullFrames * bytesPerFrame) {
            return;
        }
        before = position;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tramble-audio-fuzz-XXXXXX").string();
    const int file = mkstemp(pattern.data());
    if (file < 0) {
        std::abort();
    }
    close(file);
    inputPath = pattern;
    std::atexit([] { std::remove(inputPath.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(inputPath.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    if (Tramble::bassOutput().openWithoutDevice(outputRate) != BASS_OK) {
        std::abort();
    }
    const HSTREAM stream = BASS_StreamCreateFile(0, inputPath.c_str(), 0, 0, 0);
    if (stream) {
        if (!BASS_StreamPlay(stream, 0, 0)) {
            std::abort();
        }
        pull(stream);
        if (BASS_StreamPlay(stream, 1, 0) && BASS_ChannelGetPosition(stream) == 0) {
            pull(stream);
        }
    }
    BASS_Free();
    return 0;
}
