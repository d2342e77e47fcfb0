// Image decoding: JPEG, PNG and BMP files through SDL_image; surfaces of any layout (paletted,
// padded rows, BGR or ARGB byte order, 16-bit) become packed R,G,B or R,G,B,A rows in the
// order the file stores them.
// CMYK JPEGs, which SDL_image hands out as raw ink bytes under ARGB labels, are turned into
// RGB here, minding the inverted inks of files with an Adobe marker.
// In a browser, whose SDL has neither SDL_image's loaders nor working SDL_RWops, the file's
// bytes are read here and JPEGs decoded with libjpeg as SDL_image does (jpegload.h), behind
// the same header checks; PNG and BMP files are refused there.
#include "engine/image.h"

#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include <fstream>
#include <iterator>

#include "engine/jpegload.h"
#else
#include <SDL_image.h>
#endif

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "engine/logsys.h"

namespace Tramble {

namespace {

#ifndef __EMSCRIPTEN__
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
#endif
// Bytes per pixel of the two packed layouts.
const int rgbBytes = 3;
const int rgbaBytes = 4;
// Full intensity of an 8-bit channel or ink.
const int fullScale = 255;
// Pictures of more pixels than this are refused before they are decoded: a few hundred bytes
// of JPEG can claim a picture of gigabytes, and the decoder's surface, its conversion and the
// image may each hold a copy (3 x 64 MiB at 4 bytes a pixel). 8192 x 2048, say; a panorama of
// 8192 x 1024 is a texture GLU scales to what the card takes.
const long long maxImagePixels = 8192LL * 2048LL;
// JPEG markers: start of image, start of scan, and APP14, where Adobe writers say that they
// store CMYK inks inverted (255 is no ink). Frame headers (which hold the size) are the
// markers from C0 to CF but for the three that share that range.
const Uint8 markerPrefix = 0xff;
const Uint8 startOfImage = 0xd8;
const Uint8 startOfScan = 0xda;
const Uint8 adobeMarker = 0xee;
const char adobeTag[] = "Adobe";
const int adobeTagBytes = sizeof adobeTag - 1;
const Uint8 firstFrameMarker = 0xc0;
const Uint8 lastFrameMarker = 0xcf;
const Uint8 huffmanMarker = 0xc4;
const Uint8 extensionMarker = 0xc8;
const Uint8 arithmeticMarker = 0xcc;
// Bytes of a JPEG segment looked at: enough for a frame header's size or Adobe's tag.
const int jpegHeaderBytes = 8;
// PNG layout: the signature, then chunks of length, type, data and checksum; IHDR starts
// with the width and height.
const int pngSignatureBytes = 8;
const int pngChunkHeaderBytes = 8;
const int pngChunkCrcBytes = 4;
const int pngSizeBytes = 8;
const char pngHeaderChunk[] = "IHDR";
const char pngEndChunk[] = "IEND";
// BMP layout: the size of the info header at byte 14, then width and height from byte 18.
const int bmpInfoSizeAt = 14;
const int bmpWidthAt = 18;
const int bmpSizeEnd = 26;
// Info header sizes: OS/2's, and the range of Windows' versions 1 to 5.
const Uint32 bmpOs2InfoSize = 12;
const Uint32 bmpMinInfoSize = 40;
const Uint32 bmpMaxInfoSize = 124;

#ifndef __EMSCRIPTEN__
struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

bool isPackedRGB(const SDL_PixelFormat& format) {
    return format.BytesPerPixel == rgbBytes && format.Rmask == packedRedMask24 && format.Gmask == packedGreenMask24 &&
           format.Bmask == packedBlueMask24;
}

bool isPackedRGBA(const SDL_PixelFormat& format) {
    return format.BytesPerPixel == rgbaBytes && format.Rmask == packedRedMask32 && format.Gmask == packedGreenMask32 &&
           format.Bmask == packedBlueMask32 && format.Amask == packedAlphaMask32;
}

// A copy of the surface in the packed layout: RGBA when it carries alpha, RGB otherwise.
// Null if SDL cannot convert it.
SurfacePtr convertToPacked(SDL_Surface* surface) {
    const bool alpha = surface->format->Amask != 0;
    const SurfacePtr layout(
        alpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, packedRedMask32, packedGreenMask32, packedBlueMask32,
                                     packedAlphaMask32)
              : SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, packedRedMask24, packedGreenMask24, packedBlueMask24, 0));
    if (!layout) {
        return nullptr;
    }
    return SurfacePtr(SDL_ConvertSurface(surface, layout->format, SDL_SWSURFACE));
}
#endif

// What a JPEG, PNG or BMP header says, read before SDL_image decodes the whole file.
struct Header {
    int width = 0;
    int height = 0;
    // A JPEG with Adobe's APP14 marker: its CMYK inks are stored inverted.
    bool adobe = false;
    // False when a PNG's chunks do not end in IEND within the file.
    bool complete = true;
};

bool isJpegFrameMarker(Uint8 marker) {
    return marker >= firstFrameMarker && marker <= lastFrameMarker && marker != huffmanMarker &&
           marker != extensionMarker && marker != arithmeticMarker;
}

// The next marker code from the source's current position, found the way libjpeg finds it:
// bytes before a 0xff prefix are skipped, so are repeated prefixes and stuffed zeros. 0 at
// the end of the file.
Uint8 nextJpegMarker(SDL_RWops* source) {
    Uint8 byte = 0;
    for (;;) {
        while (SDL_RWread(source, &byte, 1, 1) == 1 && byte != markerPrefix) {
        }
        if (byte != markerPrefix) {
            return 0;
        }
        while (SDL_RWread(source, &byte, 1, 1) == 1 && byte == markerPrefix) {
        }
        if (byte != markerPrefix && byte != 0) {
            return byte;
        }
        if (byte == markerPrefix) {
            return 0;
        }
    }
}

// Walks the JPEG segments from the source's current position up to the first scan for the
// first frame's size and the Adobe marker. Leaves the position anywhere.
Header readJpegHeader(SDL_RWops* source) {
    Header header;
    Uint8 start[2];
    if (SDL_RWread(source, start, 1, 2) != 2 || start[0] != markerPrefix || start[1] != startOfImage) {
        return header;
    }
    for (Uint8 marker = nextJpegMarker(source); marker != 0 && marker != startOfScan; marker = nextJpegMarker(source)) {
        Uint8 size[2];
        if (SDL_RWread(source, size, 1, 2) != 2) {
            return header;
        }
        // The length counts its own two bytes.
        const int length = (size[0] << 8 | size[1]) - 2;
        Uint8 data[jpegHeaderBytes] = {};
        const int read = std::max(0, std::min(length, jpegHeaderBytes));
        if (length < 0 || static_cast<int>(SDL_RWread(source, data, 1, read)) != read) {
            return header;
        }
        if (marker == adobeMarker && read >= adobeTagBytes && std::memcmp(data, adobeTag, adobeTagBytes) == 0) {
            header.adobe = true;
        }
        // Precision, then height and width, big-endian.
        if (isJpegFrameMarker(marker) && header.width == 0 && read >= 5) {
            header.height = data[1] << 8 | data[2];
            header.width = data[3] << 8 | data[4];
        }
        if (SDL_RWseek(source, length - read, RW_SEEK_CUR) < 0) {
            return header;
        }
    }
    return header;
}

// Walks the PNG chunks from the source's current position up to IEND for the size in IHDR
// and for a chunk list that runs past the end: SDL_image 1.2 ignores reads past the end, so
// libpng then takes garbage for chunk lengths and checksums gigabytes of it for minutes.
// Leaves the position anywhere.
Header readPngHeader(SDL_RWops* source) {
    Header header;
    const Sint64 start = SDL_RWtell(source);
    const Sint64 end = SDL_RWseek(source, 0, RW_SEEK_END);
    Sint64 at = start + pngSignatureBytes;
    Uint8 chunk[pngChunkHeaderBytes + pngSizeBytes];
    while (at + pngChunkHeaderBytes <= end && SDL_RWseek(source, at, RW_SEEK_SET) == at &&
           SDL_RWread(source, chunk, 1, pngChunkHeaderBytes) == pngChunkHeaderBytes) {
        const Sint64 length = Sint64(chunk[0]) << 24 | chunk[1] << 16 | chunk[2] << 8 | chunk[3];
        at += pngChunkHeaderBytes + length + pngChunkCrcBytes;
        if (at > end) {
            break;
        }
        if (std::memcmp(chunk + 4, pngHeaderChunk, 4) == 0 && length >= pngSizeBytes &&
            SDL_RWread(source, chunk + pngChunkHeaderBytes, 1, pngSizeBytes) == pngSizeBytes) {
            const auto word = [](const Uint8* bytes) {
                return static_cast<int>(
                    std::min<Uint32>(Uint32(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3],
                                     std::numeric_limits<int>::max()));
            };
            header.width = word(chunk + pngChunkHeaderBytes);
            header.height = word(chunk + pngChunkHeaderBytes + 4);
        }
        if (std::memcmp(chunk + 4, pngEndChunk, 4) == 0) {
            return header;
        }
    }
    header.complete = false;
    return header;
}

// Reads a BMP's size from its header at the source's current position: 16-bit fields after
// a 12-byte OS/2 header, 32-bit ones (the height negative for top-down rows) after the others.
// No size for a header too short or of no known kind: SDL's loader spends seconds on those.
// Leaves the position anywhere.
Header readBmpHeader(SDL_RWops* source) {
    Header header;
    Uint8 bytes[bmpSizeEnd];
    if (SDL_RWread(source, bytes, 1, bmpSizeEnd) != bmpSizeEnd) {
        return header;
    }
    const auto field = [&bytes](int at, int size) {
        Uint32 value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | bytes[at + i];
        }
        return value;
    };
    const Uint32 infoSize = field(bmpInfoSizeAt, 4);
    const bool os2 = infoSize == bmpOs2InfoSize;
    if (!os2 && (infoSize < bmpMinInfoSize || infoSize > bmpMaxInfoSize)) {
        return header;
    }
    const int fieldBytes = os2 ? 2 : 4;
    const auto side = [](Uint32 value, bool wide) {
        const Sint64 signedValue = wide ? static_cast<Sint64>(static_cast<Sint32>(value)) : value;
        return static_cast<int>(
            std::min<Sint64>(signedValue < 0 ? -signedValue : signedValue, std::numeric_limits<int>::max()));
    };
    header.width = side(field(bmpWidthAt, fieldBytes), !os2);
    header.height = side(field(bmpWidthAt + fieldBytes, fieldBytes), !os2);
    return header;
}

// A JPEG has no alpha: four-byte JPEG pixels are CMYK, their bytes C, M, Y, K in memory
// whatever the masks say. Rows are pitch bytes apart.
void cmykToRgb(const Uint8* pixels, int width, int height, size_t pitch, bool inverted, Image& image) {
    image.width = width;
    image.height = height;
    image.bytesPerPixel = rgbBytes;
    image.pixels.resize(static_cast<size_t>(width) * height * rgbBytes);
    unsigned char* out = image.pixels.data();
    for (int y = 0; y < height; ++y) {
        const Uint8* in = pixels + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x, in += rgbaBytes, out += rgbBytes) {
            // Light left after each ink, as a fraction of fullScale.
            const auto clear = [inverted](Uint8 ink) { return inverted ? ink : fullScale - ink; };
            const int black = clear(in[3]);
            for (int c = 0; c < rgbBytes; ++c) {
                out[c] = static_cast<unsigned char>((clear(in[c]) * black + fullScale / 2) / fullScale);
            }
        }
    }
}

#ifdef __EMSCRIPTEN__
// What SDL_image's IMG_isJPG, IMG_isPNG and IMG_isBMP look for: a JPEG's start-of-image
// marker and the next marker's prefix, PNG's signature, BMP's "BM". The position is kept.
bool startsWith(SDL_RWops* source, const Uint8* signature, size_t size) {
    const long start = SDL_RWtell(source);
    std::vector<Uint8> bytes(size);
    const bool found =
        SDL_RWread(source, bytes.data(), 1, size) == size && std::memcmp(bytes.data(), signature, size) == 0;
    SDL_RWseek(source, start, RW_SEEK_SET);
    return found;
}
const Uint8 jpegSignature[] = {markerPrefix, startOfImage, markerPrefix};
const Uint8 pngSignature[pngSignatureBytes] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const Uint8 bmpSignature[] = {'B', 'M'};
bool IMG_isJPG(SDL_RWops* source) {
    return startsWith(source, jpegSignature, sizeof jpegSignature);
}
bool IMG_isPNG(SDL_RWops* source) {
    return startsWith(source, pngSignature, sizeof pngSignature);
}
bool IMG_isBMP(SDL_RWops* source) {
    return startsWith(source, bmpSignature, sizeof bmpSignature);
}

// A file's bytes behind SDL_RWops's calls, for the header checks: Emscripten's own SDL_RWops
// are handles into a script's table, with no calls to read them through.
class MemorySource : public SDL_RWops {
public:
    explicit MemorySource(std::vector<Uint8> bytes) : SDL_RWops(), bytes(std::move(bytes)) {
        seek = seekBytes;
        read = readBytes;
        close = closeBytes;
    }

private:
    static long seekBytes(SDL_RWops* context, long offset, int whence) {
        MemorySource& source = *static_cast<MemorySource*>(context);
        const long base = whence == RW_SEEK_SET   ? 0
                          : whence == RW_SEEK_CUR ? source.at
                                                  : static_cast<long>(source.bytes.size());
        if (offset < -base || base + offset > static_cast<long>(source.bytes.size())) {
            return -1;
        }
        source.at = base + offset;
        return source.at;
    }
    static size_t readBytes(SDL_RWops* context, void* out, size_t size, size_t count) {
        MemorySource& source = *static_cast<MemorySource*>(context);
        const size_t whole = size == 0 ? 0 : std::min(count, (source.bytes.size() - source.at) / size);
        std::memcpy(out, source.bytes.data() + source.at, whole * size);
        source.at += static_cast<long>(whole * size);
        return whole;
    }
    static int closeBytes(SDL_RWops*) { return 0; }

    std::vector<Uint8> bytes;
    long at = 0;
};

// Decodes the JPEG from the source's position to its end as SDL_image would, CMYK inks
// turned into RGB as on the desktop.
bool decodeJpegSource(SDL_RWops* source, bool adobe, Image& image) {
    const long start = SDL_RWtell(source);
    const long end = SDL_RWseek(source, 0, RW_SEEK_END);
    std::vector<Uint8> bytes(static_cast<size_t>(std::max(0L, end - start)));
    if (start < 0 || SDL_RWseek(source, start, RW_SEEK_SET) != start ||
        SDL_RWread(source, bytes.data(), 1, bytes.size()) != bytes.size()) {
        LOG(Error) << "Cannot read JPEG\n";
        return false;
    }
    JpegPixels decoded;
    if (!decodeJpeg(bytes.data(), bytes.size(), decoded)) {
        LOG(Error) << "Cannot decode JPEG\n";
        return false;
    }
    if (decoded.bytesPerPixel == rgbaBytes) {
        cmykToRgb(decoded.pixels.data(), decoded.width, decoded.height, static_cast<size_t>(decoded.width) * rgbaBytes,
                  adobe, image);
        return true;
    }
    image.width = decoded.width;
    image.height = decoded.height;
    image.bytesPerPixel = static_cast<unsigned char>(decoded.bytesPerPixel);
    image.pixels = std::move(decoded.pixels);
    return true;
}
#endif

}  // namespace

#ifdef __EMSCRIPTEN__
Image::Image(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    std::vector<Uint8> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file) {
        LOG(Error) << "Cannot read " << fileName << "\n";
        return;
    }
    MemorySource source(std::move(bytes));
    valid = decode(&source);
}
#else
Image::Image(const std::string& fileName) {
    SDL_RWops* file = SDL_RWFromFile(fileName.c_str(), "rb");
    valid = decode(file);
    if (file) {
        SDL_RWclose(file);
    }
}
#endif

bool Image::decode(SDL_RWops* source) {
    const Sint64 start = source ? SDL_RWtell(source) : 0;
    const bool jpeg = source && IMG_isJPG(source);
    const bool png = source && IMG_isPNG(source);
    const bool bmp = source && IMG_isBMP(source);
    const Header header = jpeg  ? readJpegHeader(source)
                          : png ? readPngHeader(source)
                          : bmp ? readBmpHeader(source)
                                : Header();
    if (!header.complete) {
        LOG(Error) << "PNG chunks run past the end of the file\n";
        return false;
    }
    // JPEG and PNG decoders give up quickly on a header they cannot read; SDL's BMP loader does not.
    if (bmp && (header.width == 0 || header.height == 0)) {
        LOG(Error) << "BMP header gives no size\n";
        return false;
    }
    if (static_cast<long long>(header.width) * header.height > maxImagePixels) {
        LOG(Error) << "Image of " << header.width << " x " << header.height << " pixels has more than "
                   << maxImagePixels << " pixels\n";
        return false;
    }
    if (source && SDL_RWseek(source, start, RW_SEEK_SET) < 0) {
        LOG(Error) << "Cannot rewind image: " << SDL_GetError() << "\n";
        return false;
    }
#ifdef __EMSCRIPTEN__
    if (!jpeg) {
        LOG(Error) << "Only JPEG pictures decode in the browser\n";
        return false;
    }
    return decodeJpegSource(source, header.adobe, *this);
#else
    // Only the formats pictures come in (BMP through SDL's own loader): SDL_image 1.2's other
    // loaders are not fit for damaged files (its GIF loader never returns on some).
    const SurfacePtr surface(jpeg  ? IMG_LoadJPG_RW(source)
                             : png ? IMG_LoadPNG_RW(source)
                             : bmp ? IMG_LoadBMP_RW(source)
                                   : nullptr);
    if (jpeg && surface && surface->format->BytesPerPixel == rgbaBytes && SDL_LockSurface(surface.get()) == 0) {
        cmykToRgb(static_cast<const Uint8*>(surface->pixels), surface->w, surface->h, surface->pitch, header.adobe,
                  *this);
        SDL_UnlockSurface(surface.get());
        return true;
    }
    return loadSDLSurface(surface.get());
#endif
}

#ifndef __EMSCRIPTEN__
bool Image::loadSDLSurface(SDL_Surface* surface) {
    if (surface == nullptr) {
        LOG(Error) << "SDL_Surface null\n";
        return false;
    }
    const SDL_PixelFormat& format = *surface->format;
    const bool paletted = format.palette != nullptr && format.BitsPerPixel == 8;
    // A paletted surface's transparent colour is an index; it comes out as alpha 0.
    const bool keyed = paletted && (surface->flags & SDL_SRCCOLORKEY) != 0;
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
    bytesPerPixel = keyed ? rgbaBytes : paletted ? rgbBytes : source->format->BytesPerPixel;
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
        for (int x = 0; x < width; ++x, out += bytesPerPixel) {
            if (row[x] < palette.ncolors) {
                const SDL_Color& colour = palette.colors[row[x]];
                out[0] = colour.r;
                out[1] = colour.g;
                out[2] = colour.b;
            }
            if (keyed) {
                out[3] = row[x] == format.colorkey ? 0 : fullScale;
            }
        }
    }
    SDL_UnlockSurface(source);
    return true;
}
#endif

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
