// GLU's scale_internal_ubyte, the box filter gluBuild2DMipmaps applies to level 0: each
// output pixel averages the input area it covers, partial pixels at the box's edges
// weighted by the share covered, and the average truncated to a byte. The float sums keep
// GLU's order: the weights are short binary fractions, so most sums are exact, but not all.
#include "engine/imagescale.h"

#include <cmath>

namespace Tramble {

namespace {

int nearestPower(int side) {
    int power = 1;
    for (int v = side; v > 1; v >>= 1) {
        if (v == 3) {
            return power * 4;
        }
        power *= 2;
    }
    return power;
}

}  // namespace

void powerOfTwoSize(int width, int height, int maxSide, int& newWidth, int& newHeight) {
    newWidth = nearestPower(width);
    newHeight = nearestPower(height);
    while ((newWidth > maxSide || newHeight > maxSide) && (newWidth > 1 || newHeight > 1)) {
        newWidth = newWidth > 1 ? newWidth / 2 : 1;
        newHeight = newHeight > 1 ? newHeight / 2 : 1;
    }
}

std::vector<unsigned char> scaleImage(const unsigned char* pixels, int width, int height, int channels, int newWidth,
                                      int newHeight) {
    std::vector<unsigned char> out(static_cast<size_t>(newWidth) * newHeight * channels);
    // GLU uploads an image of the right size as it is: its filter would not copy it.
    if (width == newWidth && height == newHeight) {
        out.assign(pixels, pixels + out.size());
        return out;
    }
    // GLU reads one column past a box's right edge with weight 0 where a side keeps its size;
    // reading the last column instead adds the same nothing without leaving the image.
    const auto at = [&](int x, int y, int k) {
        return static_cast<float>(
            pixels[(static_cast<size_t>(y) * width + (x < width ? x : width - 1)) * channels + k]);
    };
    const float convY = static_cast<float>(height) / newHeight;
    const float convX = static_cast<float>(width) / newWidth;
    const int convYInt = static_cast<int>(std::floor(convY));
    const int convXInt = static_cast<int>(std::floor(convX));
    const float convYFraction = convY - convYInt;
    const float convXFraction = convX - convXInt;
    const float area = convX * convY;

    // A box runs from (low, lowFraction) to (high, highFraction): whole pixels and the share
    // of the next one.
    int lowY = 0, highY = convYInt;
    float lowYF = 0.0f, highYF = convYFraction;
    for (int i = 0; i < newHeight; ++i) {
        if (highY >= height) {
            highY = height - 1;
        }
        int lowX = 0, highX = convXInt;
        float lowXF = 0.0f, highXF = convXFraction;
        for (int j = 0; j < newWidth; ++j) {
            for (int k = 0; k < channels; ++k) {
                float total = 0.0f;
                // The edge rows and columns first, then the whole pixels inside.
                if (highY > lowY && highX > lowX) {
                    for (const int row : {lowY, highY}) {
                        const float yPercent = row == lowY ? 1 - lowYF : highYF;
                        total += at(lowX, row, k) * (yPercent * (1 - lowXF));
                        for (int l = lowX + 1; l < highX; ++l) {
                            total += at(l, row, k) * yPercent;
                        }
                        total += at(highX, row, k) * (yPercent * highXF);
                    }
                    for (int m = lowY + 1; m < highY; ++m) {
                        total += at(lowX, m, k) * (1 - lowXF) + at(highX, m, k) * highXF;
                    }
                } else if (highY > lowY) {
                    const float xPercent = highXF - lowXF;
                    total += at(lowX, lowY, k) * ((1 - lowYF) * xPercent);
                    for (int m = lowY + 1; m < highY; ++m) {
                        total += at(lowX, m, k) * xPercent;
                    }
                    total += at(lowX, highY, k) * (xPercent * highYF);
                } else if (highX > lowX) {
                    const float yPercent = highYF - lowYF;
                    total += at(lowX, lowY, k) * ((1 - lowXF) * yPercent);
                    for (int l = lowX + 1; l < highX; ++l) {
                        total += at(l, lowY, k) * yPercent;
                    }
                    total += at(highX, lowY, k) * (yPercent * highXF);
                } else {
                    total += at(lowX, lowY, k) * ((highYF - lowYF) * (highXF - lowXF));
                }
                for (int m = lowY + 1; m < highY; ++m) {
                    for (int l = lowX + 1; l < highX; ++l) {
                        total += at(l, m, k);
                    }
                }
                out[(static_cast<size_t>(i) * newWidth + j) * channels + k] = static_cast<unsigned char>(total / area);
            }
            lowX = highX;
            lowXF = highXF;
            highX += convXInt;
            highXF += convXFraction;
            if (highXF > 1) {
                highXF -= 1.0f;
                ++highX;
            }
        }
        lowY = highY;
        lowYF = highYF;
        highY += convYInt;
        highYF += convYFraction;
        if (highYF > 1) {
            highYF -= 1.0f;
            ++highY;
        }
    }
    return out;
}

}  // namespace Tramble
