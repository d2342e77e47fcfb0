// RGB floating-point raster that every generator paints into, and the binary PPM (P6)
// writer that hands the pictures to the JPEG converter. Channels are nominally 0..1;
// values outside are clamped only when written, so generators may add light freely.
#pragma once

#include <string>
#include <vector>

namespace Tramble {

struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

Colour operator+(const Colour& a, const Colour& b);
Colour operator*(const Colour& a, float k);
Colour operator*(const Colour& a, const Colour& b);
Colour mix(const Colour& a, const Colour& b, float t);

float clamp01(float v);
float smoothstep(float edge0, float edge1, float x);

class Raster {
public:
    Raster(int width, int height);

    int width() const { return w; }
    int height() const { return h; }
    Colour& at(int x, int y) { return pixels[static_cast<size_t>(y) * w + x]; }
    const Colour& at(int x, int y) const { return pixels[static_cast<size_t>(y) * w + x]; }

    // Swaps rows top to bottom: OpenGL puts the first stored row at t = 0.
    void flipVertically();

    // 8-bit value of one channel as it will be stored (clamped, rounded).
    static unsigned char quantise(float v);

    // Writes a binary PPM; false (with a message on stderr) when the file cannot be written.
    bool writePpm(const std::string& path) const;

private:
    int w;
    int h;
    std::vector<Colour> pixels;
};

// Paints every pixel from a function of the pixel centre in unit coordinates
// (u rightwards, v downwards in file order, both 0..1), averaging samples x samples
// sub-pixel positions so thin features do not alias.
template <typename Shader>
void shadeRaster(Raster& raster, int samples, Shader shader) {
    const float weight = 1.0f / static_cast<float>(samples * samples);
    for (int y = 0; y < raster.height(); ++y) {
        for (int x = 0; x < raster.width(); ++x) {
            Colour sum;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const float u = (x + (sx + 0.5f) / samples) / raster.width();
                    const float v = (y + (sy + 0.5f) / samples) / raster.height();
                    sum = sum + shader(u, v);
                }
            }
            raster.at(x, y) = sum * weight;
        }
    }
}

}  // namespace Tramble
