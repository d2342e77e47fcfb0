// The header written field by field, each little-endian, so the file is the same on any host.
#include "wav.h"

#include <cstring>

namespace Tramble {

namespace {

const std::uint32_t bytesPerSample = 2;
// Bytes of the "fmt " chunk's data, and its format tag for integer PCM.
const std::uint32_t formatBytes = 16;
const std::uint32_t pcmFormat = 1;
// The RIFF size counts everything after its own field: the file less 8 bytes.
const std::uint32_t riffHeadBytes = 8;

void put(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

}  // namespace

std::array<unsigned char, wavHeaderBytes> wavHeader(std::uint32_t rate, std::uint32_t channels, std::uint64_t frames) {
    const auto dataBytes = static_cast<std::uint32_t>(frames * channels * bytesPerSample);
    std::array<unsigned char, wavHeaderBytes> header{};
    std::memcpy(header.data(), "RIFF", 4);
    put(header.data() + 4, dataBytes + wavHeaderBytes - riffHeadBytes, 4);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    put(header.data() + 16, formatBytes, 4);
    put(header.data() + 20, pcmFormat, 2);
    put(header.data() + 22, channels, 2);
    put(header.data() + 24, rate, 4);
    put(header.data() + 28, rate * channels * bytesPerSample, 4);
    put(header.data() + 32, channels * bytesPerSample, 2);
    put(header.data() + 34, 8 * bytesPerSample, 2);
    std::memcpy(header.data() + 36, "data", 4);
    put(header.data() + 40, dataBytes, 4);
    return header;
}

}  // namespace Tramble
