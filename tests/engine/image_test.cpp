// Decoding files and SDL surfaces into packed images: byte order, row padding, palettes and
// their transparent colour, CMYK JPEGs, the formats that need converting, files that are not
// images, and no leaked surfaces.
#include "engine/image.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "support/logcapture.h"
#include "tempdir.h"

namespace Tramble {
namespace {

// A 6 x 16 JPEG: the top eight rows pure red, the bottom eight pure blue. Its width gives
// SDL surface rows four bytes apart, so rows come with padding.
const unsigned char redOverBlueJpeg[] = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
    0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x06, 0x03, 0x01, 0x11, 0x00,
    0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xff, 0xc4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0xff, 0xc4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xc4, 0x00, 0x16, 0x01, 0x01, 0x01,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0b, 0x09, 0x0a, 0xff, 0xc4,
    0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00, 0x17, 0xd2, 0x9d, 0xbf,
    0x81, 0x0e, 0x55, 0x01, 0xaf, 0xbf, 0xff, 0xd9,
};

// An 8 x 8 grayscale JPEG, mid gray.
const unsigned char grayJpeg[] = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01,
    0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x02, 0x02, 0x02, 0x03, 0x02, 0x02, 0x02, 0x03,
    0x03, 0x03, 0x03, 0x04, 0x06, 0x04, 0x04, 0x04, 0x04, 0x04, 0x08, 0x06, 0x06, 0x05, 0x06, 0x09, 0x08, 0x0a,
    0x0a, 0x09, 0x08, 0x09, 0x09, 0x0a, 0x0c, 0x0f, 0x0c, 0x0a, 0x0b, 0x0e, 0x0b, 0x09, 0x09, 0x0d, 0x11, 0x0d,
    0x0e, 0x0f, 0x10, 0x10, 0x11, 0x10, 0x0a, 0x0c, 0x12, 0x13, 0x12, 0x10, 0x13, 0x0f, 0x10, 0x10, 0x10, 0xff,
    0xc0, 0x00, 0x0b, 0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00, 0xff, 0xc4, 0x00, 0x14, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xff, 0xc4,
    0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0xff, 0xda, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3f, 0x00, 0x0f, 0xff, 0xd9,
};

// How far a decoded JPEG colour may stray from the drawn one.
const int jpegTolerance = 6;

// Masks of 24-bit surfaces that hold R, G, B in memory in that order.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
const Uint32 memoryRedMask24 = 0x000000ff;
const Uint32 memoryBlueMask24 = 0x00ff0000;
#else
const Uint32 memoryRedMask24 = 0x00ff0000;
const Uint32 memoryBlueMask24 = 0x000000ff;
#endif
const Uint32 memoryGreenMask24 = 0x0000ff00;

::testing::AssertionResult pixelNear(const Image& image, int x, int y, std::vector<int> expected, int tolerance) {
    const unsigned char* pixel = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * image.bytesPerPixel;
    for (size_t c = 0; c < expected.size(); ++c) {
        if (std::abs(pixel[c] - expected[c]) > tolerance) {
            return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") channel " << c << " is "
                                                 << static_cast<int>(pixel[c]) << ", expected " << expected[c];
        }
    }
    return ::testing::AssertionSuccess();
}

// Writes one pixel value into a surface of 2, 3 or 4 bytes per pixel.
void putPixel(SDL_Surface* surface, int x, int y, Uint32 value) {
    const int bytes = surface->format->BytesPerPixel;
    Uint8* at = static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * bytes;
    if (bytes == 2) {
        const Uint16 narrow = static_cast<Uint16>(value);
        std::memcpy(at, &narrow, sizeof narrow);
    } else if (bytes == 3) {
        for (int i = 0; i < 3; ++i) {
            const int shift = SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (2 - i);
            at[i] = static_cast<Uint8>(value >> shift);
        }
    } else {
        std::memcpy(at, &value, sizeof value);
    }
}

// A JPEG of width x height pixels with components bytes each (3: R, G, B; 4: C, M, Y, K
// inks) at full quality. With adobe, the Adobe marker is written and the inks are stored the
// way Adobe's writers store them, inverted.
std::vector<unsigned char> encodeJpeg(std::vector<unsigned char> pixels, int width, int height, int components,
                                      bool adobe) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &memory, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobe;
    if (adobe) {
        for (unsigned char& ink : pixels) {
            ink = static_cast<unsigned char>(255 - ink);
        }
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels.data() + static_cast<size_t>(info.next_scanline) * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> file(memory, memory + size);
    std::free(memory);
    return file;
}

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

TEST(ImageTest, JpegComesOutRedFirstTopRowFirstAndPacked) {
    TempDir dir;
    const Image image(dir.write("redblue.jpg", redOverBlueJpeg, sizeof redOverBlueJpeg));
    ASSERT_TRUE(image.valid);
    ASSERT_EQ(image.width, 6);
    ASSERT_EQ(image.height, 16);
    ASSERT_EQ(image.bytesPerPixel, 3);
    ASSERT_EQ(image.pixels.size(), 6u * 16u * 3u);
    for (int x : {0, 5}) {
        EXPECT_TRUE(pixelNear(image, x, 0, {255, 0, 0}, jpegTolerance));
        EXPECT_TRUE(pixelNear(image, x, 7, {255, 0, 0}, jpegTolerance));
        EXPECT_TRUE(pixelNear(image, x, 8, {0, 0, 255}, jpegTolerance));
        EXPECT_TRUE(pixelNear(image, x, 15, {0, 0, 255}, jpegTolerance));
    }
}

// Four 8 x 8 blocks in a row, given as inks: red, green, blue and a dark grey of black ink
// alone. Plain or inverted, they must come out in the colours the inks make.
TEST(ImageTest, CmykJpegComesOutInTheColoursOfItsInks) {
    const unsigned char inks[4][4] = {{0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 160}};
    const std::vector<int> colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {95, 95, 95}};
    const int block = 8;
    const int width = 4 * block;
    std::vector<unsigned char> pixels;
    for (int y = 0; y < block; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.insert(pixels.end(), inks[x / block], inks[x / block] + 4);
        }
    }
    TempDir dir;
    for (const bool adobe : {false, true}) {
        SCOPED_TRACE(adobe ? "Adobe, inverted inks" : "plain inks");
        const std::vector<unsigned char> file = encodeJpeg(pixels, width, block, 4, adobe);
        const Image image(dir.write("cmyk.jpg", file.data(), file.size()));
        ASSERT_TRUE(image.valid);
        ASSERT_EQ(image.bytesPerPixel, 3);
        ASSERT_EQ(image.width, width);
        for (int b = 0; b < 4; ++b) {
            EXPECT_TRUE(pixelNear(image, b * block + block / 2, block / 2, colours[b], jpegTolerance));
        }
    }
}

TEST(ImageTest, GrayscaleJpegComesOutAsRgb) {
    TempDir dir;
    const Image image(dir.write("gray.jpg", grayJpeg, sizeof grayJpeg));
    ASSERT_TRUE(image.valid);
    ASSERT_EQ(image.bytesPerPixel, 3);
    EXPECT_TRUE(pixelNear(image, 0, 0, {128, 128, 128}, jpegTolerance));
    EXPECT_TRUE(pixelNear(image, 7, 7, {128, 128, 128}, jpegTolerance));
}

// A transparent colour (SDL's colour key, as SDL_image sets it for PNG and GIF) comes out
// as alpha 0, every other index opaque.
TEST(ImageTest, PalettedSurfaceExpandsFromItsPaletteWithItsTransparentColour) {
    struct Case {
        bool keyed;
        unsigned char bytesPerPixel;
        std::vector<unsigned char> expected;
    };
    const Case cases[] = {
        {false, 3, {10, 20, 30, 200, 100, 50, 1, 2, 3, 1, 2, 3, 1, 2, 3, 200, 100, 50}},
        {true, 4, {10, 20, 30, 255, 200, 100, 50, 0, 1, 2, 3, 255, 1, 2, 3, 255, 1, 2, 3, 255, 200, 100, 50, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyed ? "index 1 transparent" : "no transparent colour");
        // Three pixels wide: SDL pads each row of indices to four bytes.
        const SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 8, 0, 0, 0, 0));
        ASSERT_TRUE(surface);
        ASSERT_GT(surface->pitch, 3);
        SDL_Color colours[3] = {{10, 20, 30, 0}, {200, 100, 50, 0}, {1, 2, 3, 0}};
        SDL_SetColors(surface.get(), colours, 0, 3);
        if (c.keyed) {
            SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY, 1);
        }
        const Uint8 indices[2][3] = {{0, 1, 2}, {2, 2, 1}};
        for (int y = 0; y < 2; ++y) {
            std::memcpy(static_cast<Uint8*>(surface->pixels) + y * surface->pitch, indices[y], 3);
        }
        Image image;
        ASSERT_TRUE(image.loadSDLSurface(surface.get()));
        EXPECT_EQ(image.bytesPerPixel, c.bytesPerPixel);
        EXPECT_EQ(image.pixels, c.expected);
    }
}

TEST(ImageTest, PaddedRowsComeOutStraight) {
    const int width = 3;
    const int height = 4;
    const int pitch = width * 3 + 7;
    // Padding bytes hold junk that must never reach the image.
    std::vector<Uint8> memory(static_cast<size_t>(pitch) * height, 0xee);
    std::vector<unsigned char> expected;
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * 3; ++i) {
            const auto value = static_cast<unsigned char>(y * 16 + i);
            memory[static_cast<size_t>(y) * pitch + i] = value;
            expected.push_back(value);
        }
    }
    const SurfacePtr surface(SDL_CreateRGBSurfaceFrom(memory.data(), width, height, 24, pitch, memoryRedMask24,
                                                      memoryGreenMask24, memoryBlueMask24, 0));
    ASSERT_TRUE(surface);
    Image image;
    ASSERT_TRUE(image.loadSDLSurface(surface.get()));
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.bytesPerPixel, 3);
    EXPECT_EQ(image.pixels, expected);
}

// Surfaces in other layouts are converted: the image always holds R, G, B (and A) bytes.
TEST(ImageTest, OtherLayoutsAreConvertedToRgbByteOrder) {
    struct Case {
        const char* name;
        int depth;
        Uint32 masks[4];
        SDL_Color first;
        SDL_Color second;
        Uint8 firstAlpha;
        Uint8 secondAlpha;
        std::vector<unsigned char> expected;
    };
    const Case cases[] = {
        {"BGR 24",
         24,
         {0xff0000, 0x00ff00, 0x0000ff, 0},
         {255, 0, 0, 0},
         {10, 20, 30, 0},
         255,
         255,
         {255, 0, 0, 10, 20, 30}},
        {"ARGB 32",
         32,
         {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000},
         {255, 0, 0, 0},
         {10, 20, 30, 0},
         128,
         255,
         {255, 0, 0, 128, 10, 20, 30, 255}},
        {"XRGB 32",
         32,
         {0x00ff0000, 0x0000ff00, 0x000000ff, 0},
         {255, 0, 0, 0},
         {10, 20, 30, 0},
         255,
         255,
         {255, 0, 0, 10, 20, 30}},
        {"RGB 565", 16, {0xf800, 0x07e0, 0x001f, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}, 255, 255, {255, 0, 0, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SurfacePtr surface(
            SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, c.depth, c.masks[0], c.masks[1], c.masks[2], c.masks[3]));
        ASSERT_TRUE(surface);
        putPixel(surface.get(), 0, 0, SDL_MapRGBA(surface->format, c.first.r, c.first.g, c.first.b, c.firstAlpha));
        putPixel(surface.get(), 1, 0, SDL_MapRGBA(surface->format, c.second.r, c.second.g, c.second.b, c.secondAlpha));
        Image image;
        ASSERT_TRUE(image.loadSDLSurface(surface.get()));
        EXPECT_EQ(image.bytesPerPixel, c.expected.size() / 2);
        EXPECT_EQ(image.pixels, c.expected);
    }
}

TEST(ImageTest, FilesThatAreNotImagesGiveAnInvalidEmptyImage) {
    TempDir dir;
    const std::string text = "not a picture\n";
    const std::string paths[] = {
        (dir.path() / "missing.jpg").string(),
        dir.write("empty.jpg", "", 0),
        dir.write("truncated.jpg", redOverBlueJpeg, sizeof redOverBlueJpeg / 2),
        dir.write("text.jpg", text.data(), text.size()),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        LogCapture log;
        const Image image(path);
        EXPECT_FALSE(image.valid);
        EXPECT_EQ(image.pixels.capacity(), 0u) << "a failed load holds no pixel memory";
        EXPECT_EQ(log.str(), "*** SDL_Surface null\n");
    }
}

TEST(ImageTest, NullSurfaceLeavesTheImageAsItWas) {
    Image image;
    const unsigned char pixel[3] = {1, 2, 3};
    image.setData(pixel, 1, 1, 3);
    LogCapture log;
    EXPECT_FALSE(image.loadSDLSurface(nullptr));
    EXPECT_TRUE(image.valid);
    EXPECT_EQ(image.pixels, std::vector<unsigned char>(pixel, pixel + 3));
    EXPECT_EQ(log.count("SDL_Surface null"), 1);
}

// The decoded surface is freed once its pixels are copied: loading a file many times
// leaves the heap where it was.
TEST(ImageTest, DecodingFreesTheSurface) {
    TempDir dir;
    const std::string path = dir.write("redblue.jpg", redOverBlueJpeg, sizeof redOverBlueJpeg);
    const Image warmUp(path);
    const size_t before = mallinfo2().uordblks;
    const int loads = 200;
    for (int i = 0; i < loads; ++i) {
        const Image image(path);
        ASSERT_TRUE(image.valid);
    }
    const size_t after = mallinfo2().uordblks;
    // One leaked 6 x 16 surface is several hundred bytes; allow far less than that per load.
    EXPECT_LT(after, before + loads * 16);
}

}  // namespace
}  // namespace Tramble
