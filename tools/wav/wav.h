// The tools' one WAV writer: the canonical 44-byte header of 16-bit PCM, little-endian on any
// host, for the music generator's track and the capture library's sound.
#pragma once

#include <array>
#include <cstdint>

namespace Tramble {

// RIFF, a 16-byte "fmt " chunk and the head of the "data" chunk.
constexpr int wavHeaderBytes = 44;

// The header of a file whose data, right after it, are `frames` sample frames of `channels`
// interleaved 16-bit samples at `rate` frames per second.
std::array<unsigned char, wavHeaderBytes> wavHeader(std::uint32_t rate, std::uint32_t channels, std::uint64_t frames);

}  // namespace Tramble
