// Image decoding: SDL_image surfaces of any layout (paletted, padded rows, BGR or ARGB byte
// order, 16-bit) become packed R,G,B or R,G,B,A rows in the order the file stores them.
#include "engine/image.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <memory>

#include "engine/logsys.h"

namespace Tramble {

namespace {

// Channel masks that put the bytes in memory in the order R, G, B (and A), the order
// GL_RGB and GL_RGBA uploads expect.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
const Uint32 packedRedMask24 = 0x000000ff;
const Uint32 packedBlueMask24 = 0x00ff0000;
const Uint32 packedRedMask32 = 0x000000ff;
const Uint32 packedGreenMask32 = 0x0000ff00;
const Uint32 packedBlueMask32 = 0x00ff0000;
const Uint32 packedAlphaMask32 = 0xff000000;
#else
const Uint32 packedRedMask24 = 0x00ff0000;
const Uint32 packedBlueMask24 = 0x000000ff;
const Uint32 packedRedMask32 = 0xff000000;
const Uint32 packedGreenMask32 = 0x00ff0000;
const Uint32 packedBlueMask32 = 0x0000ff00;
const Uint32 packedAlphaMask32 = 0x000000ff;
#endif
// The green byte sits in the middle of three whatever the byte order.
const Uint32 packedGreenMask24 = 0x0000ff00;
// Bytes per pixel of the two packed layouts.
const int rgbBytes = 3;
const int rgbaBytes = 4;

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

bool isPackedRGB(const SDL_PixelFormat& format) {
    return format.BytesPerPixel == rgbBytes && format.Rmask == packedRedMask24 &&
           format.Gmask == packedGreenMask24 && format.Bmask == packedBlueMask24;
}

bool isPackedRGBA(const SDL_PixelFormat& format) {
    return format.BytesPerPixel == rgbaBytes && format.Rmask == packedRedMask32 &&
           format.Gmask == packedGreenMask32 && format.Bmask == packedBlueMask32 &&
           format.Amask == packedAlphaMask32;
}

// A copy of the surface in the packed layout: RGBA when it carries alpha, RGB otherwise.
// Null if SDL cannot convert it.
SurfacePtr convertToPacked(SDL_Surface* surface) {
    const bool alpha = surface->format->Amask != 0;
    const SurfacePtr layout(alpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, packedRedMask32, packedGreenMask32,
                                                         packedBlueMask32, packedAlphaMask32)
                                  : SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, packedRedMask24, packedGreenMask24,
                                                         packedBlueMask24, 0));
    if (!layout) {
        return nullptr;
    }
    return SurfacePtr(SDL_ConvertSurface(surface, layout->format, SDL_SWSURFACE));
}

}  // namespace

Image::Image(const std::string& fileName) {
    const SurfacePtr surface(IMG_Load(fileName.c_str()));
    valid = loadSDLSurface(surface.get());
}

bool Image::loadSDLSurface(SDL_Surface* surface) {
    if (surface == nullptr) {
        LOG(Error) << "SDL_Surface null\n";
        return false;
    }
    const SDL_PixelFormat& format = *surface->format;
    const bool paletted = format.palette != nullptr && format.BitsPerPixel == 8;
    SurfacePtr converted;
    SDL_Surface* source = surface;
    if (!paletted && !isPackedRGB(format) && !isPackedRGBA(format)) {
        converted = convertToPacked(surface);
        if (!converted) {
            LOG(Error) << "Cannot convert surface to RGB: " << SDL_GetError() << "\n";
            return false;
        }
        source = converted.get();
    }

    if (SDL_LockSurface(source) != 0) {
        LOG(Error) << "Cannot lock surface: " << SDL_GetError() << "\n";
        return false;
    }
    width = source->w;
    height = source->h;
    bytesPerPixel = paletted ? rgbBytes : source->format->BytesPerPixel;
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    pixels.assign(rowBytes * height, 0);
    for (int y = 0; y < height; ++y) {
        const Uint8* row = static_cast<const Uint8*>(source->pixels) + static_cast<size_t>(y) * source->pitch;
        unsigned char* out = pixels.data() + y * rowBytes;
        if (!paletted) {
            std::memcpy(out, row, rowBytes);
            continue;
        }
        // Indices past the palette's end have no colour and stay black.
        const SDL_Palette& palette = *format.palette;
        for (int x = 0; x < width; ++x, out += rgbBytes) {
            if (row[x] < palette.ncolors) {
                const SDL_Color& colour = palette.colors[row[x]];
                out[0] = colour.r;
                out[1] = colour.g;
                out[2] = colour.b;
            }
        }
    }
    SDL_UnlockSurface(source);
    return true;
}

unsigned char* Image::setData(const unsigned char* source, int width, int height, unsigned char bytesPerPixel) {
    this->width = width;
    this->height = height;
    this->bytesPerPixel = bytesPerPixel;
    const size_t size = static_cast<size_t>(width) * height * bytesPerPixel;
    pixels.assign(source, source + size);
    valid = true;
    return pixels.data();
}

Image& Image::assign(const Image& other) {
    if (&other != this) {
        setData(other.pixels.data(), other.width, other.height, other.bytesPerPixel);
    }
    return *this;
}

}  // namespace Tramble
