// A decoded picture in memory: tightly packed rows of RGB or RGBA bytes, first row of the
// file first, ready for texture upload. Decodes JPEG, PNG and BMP files through SDL_image;
// in a browser, where no SDL surface carries pictures, JPEG files through libjpeg.
#pragma once

#include <string>
#include <vector>

struct SDL_Surface;
struct SDL_RWops;

namespace Tramble {

class Image {
public:
    // An empty, invalid image, to be filled with loadSDLSurface (desktop) or setData.
    Image() = default;
    // Decodes the file; valid tells whether that worked (failures are logged).
    explicit Image(const std::string& fileName);

    // Decodes a whole file from source's current position; the source stays the caller's.
    // False (logged) for a null source or bytes that are no JPEG, PNG or BMP SDL_image can
    // decode. Does not set valid.
    bool decode(SDL_RWops* source);

#ifndef __EMSCRIPTEN__
    // Takes a copy of the surface's pixels as packed R,G,B (or R,G,B,A when the surface has
    // alpha, or a transparent palette index) rows, whatever its format, pitch or byte order.
    // The surface stays the caller's.
    // Does not set valid: that is the constructor's decision. False for a null surface,
    // which leaves the image as it was.
    bool loadSDLSurface(SDL_Surface* surface);
#endif

    // Replaces the pixels with a copy of width x height packed pixels from source and makes
    // the image valid. Returns the new pixel array.
    unsigned char* setData(const unsigned char* source, int width, int height, unsigned char bytesPerPixel);

    virtual Image& assign(const Image& other);

    std::vector<unsigned char> pixels;
    int width = 0;
    int height = 0;
    // 3 for RGB, 4 for RGBA; other values come only through setData and fail at upload.
    unsigned char bytesPerPixel = 0;
    bool valid = false;
};

}  // namespace Tramble
