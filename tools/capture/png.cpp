// PNG encoding with per-row adaptive filtering (the heuristic libpng uses: the filter whose
// output has the smallest sum of absolute values), so dark demo frames stay small on disk.
#include "png.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace Tramble {

namespace {

const std::array<unsigned char, 8> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// IHDR: 8 bits per channel, colour type 2 (RGB), deflate, adaptive filtering, no interlace.
const unsigned char bitDepth = 8;
const unsigned char colourTypeRgb = 2;
const int bytesPerPixel = 3;
// The five PNG row filters, by their type byte.
enum Filter : unsigned char { None, Sub, Up, Average, Paeth, FilterCount };

void putBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>(value >> shift));
    }
}

void writeChunk(std::ofstream& file, const char* type, const std::vector<unsigned char>& data) {
    std::vector<unsigned char> chunk;
    putBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    // The CRC covers the type and the data, not the length.
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    putBigEndian(chunk, static_cast<std::uint32_t>(crc));
    file.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
}

int paethPredictor(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) {
        return left;
    }
    return toUp <= toUpLeft ? up : upLeft;
}

// Filters one row with the given filter into out (type byte first); returns the heuristic cost.
long filterRow(Filter filter, const unsigned char* row, const unsigned char* above, int rowBytes, unsigned char* out) {
    out[0] = filter;
    long cost = 0;
    for (int i = 0; i < rowBytes; ++i) {
        const int left = i >= bytesPerPixel ? row[i - bytesPerPixel] : 0;
        const int up = above != nullptr ? above[i] : 0;
        const int upLeft = above != nullptr && i >= bytesPerPixel ? above[i - bytesPerPixel] : 0;
        int predicted = 0;
        switch (filter) {
            case Sub: predicted = left; break;
            case Up: predicted = up; break;
            case Average: predicted = (left + up) / 2; break;
            case Paeth: predicted = paethPredictor(left, up, upLeft); break;
            default: break;
        }
        const auto value = static_cast<unsigned char>(row[i] - predicted);
        out[i + 1] = value;
        cost += value < 128 ? value : 256 - value;
    }
    return cost;
}

}  // namespace

bool writePng(const std::string& path, const unsigned char* rgb, int width, int height) {
    const int rowBytes = width * bytesPerPixel;
    std::vector<unsigned char> filtered(static_cast<size_t>(height) * (rowBytes + 1));
    std::vector<unsigned char> candidate(rowBytes + 1);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = rgb + static_cast<size_t>(y) * rowBytes;
        const unsigned char* above = y > 0 ? row - rowBytes : nullptr;
        unsigned char* out = filtered.data() + static_cast<size_t>(y) * (rowBytes + 1);
        long best = filterRow(None, row, above, rowBytes, out);
        for (int f = Sub; f < FilterCount; ++f) {
            const long cost = filterRow(static_cast<Filter>(f), row, above, rowBytes, candidate.data());
            if (cost < best) {
                best = cost;
                std::copy(candidate.begin(), candidate.end(), out);
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        return false;
    }
    packed.resize(packedSize);

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.write(reinterpret_cast<const char*>(signature.data()), signature.size());
    std::vector<unsigned char> header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {bitDepth, colourTypeRgb, 0, 0, 0});
    writeChunk(file, "IHDR", header);
    writeChunk(file, "IDAT", packed);
    writeChunk(file, "IEND", {});
    return static_cast<bool>(file.flush());
}

}  // namespace Tramble
