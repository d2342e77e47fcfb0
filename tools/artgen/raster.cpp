// RGB floating-point raster and its binary PPM (P6) writer, plus the small colour
// arithmetic the generators share. PPM keeps the tool free of image libraries; the
// conversion to JPEG happens outside, in the art build script.
#include "raster.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

namespace Tramble {

namespace {

// Largest value of an 8-bit channel in the PPM header and data.
constexpr int maxChannelValue = 255;

}  // namespace

Colour operator+(const Colour& a, const Colour& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Colour operator*(const Colour& a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}

Colour operator*(const Colour& a, const Colour& b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}

Colour mix(const Colour& a, const Colour& b, float t) {
    return a * (1.0f - t) + b * t;
}

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Raster::Raster(int width, int height) : w(width), h(height), pixels(static_cast<size_t>(width) * height) {}

void Raster::flipVertically() {
    for (int y = 0; y < h / 2; ++y) {
        std::swap_ranges(pixels.begin() + static_cast<long>(y) * w, pixels.begin() + static_cast<long>(y + 1) * w,
                         pixels.begin() + static_cast<long>(h - 1 - y) * w);
    }
}

unsigned char Raster::quantise(float v) {
    return static_cast<unsigned char>(std::lround(clamp01(v) * maxChannelValue));
}

bool Raster::writePpm(const std::string& path) const {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        std::cerr << "Error: cannot open \"" << path << "\" for writing: " << std::strerror(errno) << std::endl;
        return false;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(pixels.size() * 3);
    for (const Colour& c : pixels) {
        bytes.push_back(quantise(c.r));
        bytes.push_back(quantise(c.g));
        bytes.push_back(quantise(c.b));
    }
    const bool headerOk = std::fprintf(file.get(), "P6\n%d %d\n%d\n", w, h, maxChannelValue) > 0;
    const bool dataOk = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    if (!headerOk || !dataOk || std::fflush(file.get()) != 0) {
        std::cerr << "Error: writing \"" << path << "\" failed" << std::endl;
        return false;
    }
    return true;
}

}  // namespace Tramble
