// The WAV writer: a canonical 44-byte header and little-endian 16-bit samples,
// written byte by byte so the file is the same on any host.
#include "wav.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace musicgen {
namespace {

// Channels and bytes per sample of the output.
constexpr std::uint32_t channels = 2, bytesPerSample = 2;

void put(std::vector<char>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(char((value >> (8 * i)) & 0xFF));
    }
}

void putText(std::vector<char>& bytes, const char* text) {
    bytes.insert(bytes.end(), text, text + 4);
}

std::int16_t toPcm(float x) {
    return std::int16_t(std::lrint(std::clamp(x, -1.0f, 1.0f) * 32767.0f));
}

}  // namespace

bool writeWav(std::ostream& out, const Track& track) {
    const std::uint32_t frames = std::uint32_t(track.left.size());
    const std::uint32_t dataBytes = frames * channels * bytesPerSample;
    std::vector<char> bytes;
    bytes.reserve(44 + dataBytes);
    putText(bytes, "RIFF");
    put(bytes, 36 + dataBytes, 4);
    putText(bytes, "WAVE");
    putText(bytes, "fmt ");
    put(bytes, 16, 4);  // size of the format chunk
    put(bytes, 1, 2);   // PCM
    put(bytes, channels, 2);
    put(bytes, sampleRate, 4);
    put(bytes, sampleRate * channels * bytesPerSample, 4);
    put(bytes, channels * bytesPerSample, 2);
    put(bytes, 8 * bytesPerSample, 2);
    putText(bytes, "data");
    put(bytes, dataBytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        put(bytes, std::uint16_t(toPcm(track.left[i])), 2);
        put(bytes, std::uint16_t(toPcm(track.right[i])), 2);
    }
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace musicgen
