// JPEG decoding for the browser build, where SDL_image is missing and Emscripten's IMG_Load
// decodes through the browser (whose pixels differ by a few levels): libjpeg with the
// settings SDL_image 1.2 uses on the desktop, so both give the same bytes.
#pragma once

#include <cstddef>
#include <vector>

namespace Tramble {

struct JpegPixels {
    int width = 0;
    int height = 0;
    // 3: packed R,G,B rows (grey pictures too). 4: the C,M,Y,K ink bytes of a CMYK file, as
    // SDL_image hands them out, to be turned into RGB by the caller.
    int bytesPerPixel = 0;
    // Rows top first, width * bytesPerPixel bytes each, no padding.
    std::vector<unsigned char> pixels;
};

// Decodes a whole JPEG file held in memory. False for bytes libjpeg cannot decode; pixels
// then hold no meaning. libjpeg's warnings about damaged data are not shown.
bool decodeJpeg(const unsigned char* data, std::size_t size, JpegPixels& out);

}  // namespace Tramble
