// Command-line entry of the music generator: renders the demo's music and writes it as a
// 16-bit stereo WAV, the input the MP3 encoder takes. Usage: musicgen OUTPUT.wav. Prints the
// level of each section so a regeneration can be checked.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "mixdown.h"
#include "score.h"
#include "wav.h"

namespace Tramble {

namespace {

const std::uint32_t channels = 2;
const int bytesPerSample = 2;

// Rounded, not dithered, so the closing fade ends in digital silence; little-endian on any host.
void putSample(std::vector<char>& bytes, float x) {
    const auto pcm =
        static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lrint(std::clamp(x, -1.0f, 1.0f) * 32767.0f)));
    bytes.push_back(static_cast<char>(pcm & 0xFF));
    bytes.push_back(static_cast<char>(pcm >> 8));
}

// False if the stream fails.
bool writeWav(std::ostream& out, const Track& track) {
    const auto header = wavHeader(sampleRate, channels, track.left.size());
    std::vector<char> bytes(header.begin(), header.end());
    bytes.reserve(header.size() + track.left.size() * channels * bytesPerSample);
    for (size_t i = 0; i < track.left.size(); ++i) {
        putSample(bytes, track.left[i]);
        putSample(bytes, track.right[i]);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

}  // namespace Tramble

int main(int argc, char** argv) {
    using namespace Tramble;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    Mixer mix(songFrames);
    renderScore(mix);
    const Track track = mixdown(mix, scoreMastering());

    std::ofstream out(argv[1], std::ios::binary);
    if (!out || !writeWav(out, track)) {
        std::fprintf(stderr, "musicgen: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %.1f s, %d Hz stereo, peak %.2f dBFS\n", argv[1],
                static_cast<double>(track.left.size()) / sampleRate, sampleRate, peakDb(track));
    for (const SectionSpan& s : sectionSpans()) {
        std::printf("  %-9s %6.2f-%6.2f s  RMS %6.2f dBFS\n", s.name, s.from, s.to, rmsDb(track, s.from, s.to));
    }
    return 0;
}
