// Decoding files into packed images: row padding, greyscale, grey with alpha, palettes and
// their transparent colour, CMYK JPEGs, the size limit, bytes that are no image, and
// assignment.
#include "engine/image.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdlib>
#include <vector>

#include "support/logcapture.h"

namespace Tramble {
namespace {

using Bytes = std::vector<unsigned char>;

// A JPEG at full quality of 1 (grey), 3 (R, G, B) or 4 (C, M, Y, K inks) components. With
// adobe, the Adobe marker is written and the inks are stored inverted, as Adobe's writers do.
Bytes encodeJpeg(Bytes pixels, int width, int height, int components, bool adobe = false) {
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
    info.in_color_space = components == 4 ? JCS_CMYK : components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobe;
    for (unsigned char& ink : pixels) {
        ink = static_cast<unsigned char>(adobe ? 255 - ink : ink);
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels.data() + static_cast<size_t>(info.next_scanline) * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(memory, memory + size);
    std::free(memory);
    return file;
}

// A PNG in one of libpng's simple formats; palette entries in the format's channels.
Bytes encodePng(Bytes pixels, int width, int height, png_uint_32 format, Bytes palette = {}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(palette.size() / PNG_IMAGE_SAMPLE_CHANNELS(format));
    png_alloc_size_t size = 4096;
    Bytes file(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, file.data(), &size, 0, pixels.data(), 0, palette.data()));
    file.resize(size);
    return file;
}

// The JPEG with its frame header claiming another size; the data stays that of the old one.
Bytes claimSize(Bytes jpeg, int width, int height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height & 0xff);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width & 0xff);
            break;
        }
    }
    return jpeg;
}

// Decodes bytes from memory the way a file is decoded.
bool decode(Image& image, const Bytes& file) {
    SDL_RWops* source = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    const bool decoded = image.decode(source);
    if (source) {
        SDL_RWclose(source);
    }
    return decoded;
}

// Four 8 x 8 blocks in a row of inks: red, green, blue and a dark grey of black ink alone.
Bytes inkBlocks() {
    const unsigned char inks[4][4] = {{0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 160}};
    Bytes pixels;
    for (int i = 0; i < 8 * 32; ++i) {
        pixels.insert(pixels.end(), inks[i % 32 / 8], inks[i % 32 / 8] + 4);
    }
    return pixels;
}

// 6 x 16, red over blue: rows of 18 bytes, so the decoded surface's rows come padded.
Bytes redOverBlue() {
    Bytes pixels(6 * 16 * 3, 0);
    for (size_t i = 0; i < 6 * 16; ++i) {
        pixels[i * 3 + (i < 48 ? 0 : 2)] = 255;
    }
    return pixels;
}

// An expected pixel: column, row from the top, and its R, G, B (and A) bytes.
struct Probe {
    int x, y;
    Bytes value;
};

// Decodes file and compares its size, its layout and the probed pixels, within tolerance.
void expectDecoded(const char* name, const Bytes& file, int width, int height, int bytesPerPixel, int tolerance,
                   const std::vector<Probe>& probes) {
    SCOPED_TRACE(name);
    Image image;
    ASSERT_TRUE(decode(image, file));
    ASSERT_EQ((std::vector<int>{image.width, image.height, image.bytesPerPixel}),
              (std::vector<int>{width, height, bytesPerPixel}));
    for (const Probe& probe : probes) {
        const unsigned char* pixel = &image.pixels[(static_cast<size_t>(probe.y) * width + probe.x) * bytesPerPixel];
        for (size_t i = 0; i < probe.value.size(); ++i) {
            EXPECT_NEAR(pixel[i], probe.value[i], tolerance) << "(" << probe.x << ", " << probe.y << ")[" << i << "]";
        }
    }
}

TEST(ImageTest, EveryLayoutComesOutAsRgbOrRgbaRowsTopFirst) {
    const Bytes palette = {10, 20, 30, 200, 100, 50, 1, 2, 3};
    const Bytes keyedPalette = {10, 20, 30, 255, 200, 100, 50, 0, 1, 2, 3, 255};
    const Bytes indices = {0, 1, 2, 2, 2, 1};
    const std::vector<Probe> inks = {
        {4, 4, {255, 0, 0}}, {12, 4, {0, 255, 0}}, {20, 4, {0, 0, 255}}, {28, 4, {95, 95, 95}}};
    expectDecoded("RGB JPEG", encodeJpeg(redOverBlue(), 6, 16, 3), 6, 16, 3, 6,
                  {{0, 0, {255, 0, 0}}, {5, 3, {255, 0, 0}}, {0, 12, {0, 0, 255}}, {5, 15, {0, 0, 255}}});
    expectDecoded("CMYK JPEG", encodeJpeg(inkBlocks(), 32, 8, 4), 32, 8, 3, 6, inks);
    expectDecoded("Adobe CMYK JPEG", encodeJpeg(inkBlocks(), 32, 8, 4, true), 32, 8, 3, 6, inks);
    expectDecoded("panorama JPEG", encodeJpeg(Bytes(8192 * 4, 40), 8192, 4, 1), 8192, 4, 3, 6,
                  {{8191, 3, {40, 40, 40}}});
    expectDecoded("grey PNG", encodePng({0, 100, 255, 7, 8, 9}, 3, 2, PNG_FORMAT_GRAY), 3, 2, 3, 0,
                  {{0, 0, {0, 0, 0}}, {2, 0, {255, 255, 255}}, {1, 1, {8, 8, 8}}});
    expectDecoded("grey and alpha PNG", encodePng({50, 0, 200, 255}, 2, 1, PNG_FORMAT_GA), 2, 1, 4, 0,
                  {{0, 0, {50, 50, 50, 0}}, {1, 0, {200, 200, 200, 255}}});
    expectDecoded("palette PNG", encodePng(indices, 3, 2, PNG_FORMAT_RGB_COLORMAP, palette), 3, 2, 3, 0,
                  {{0, 0, {10, 20, 30}}, {1, 0, {200, 100, 50}}, {0, 1, {1, 2, 3}}, {2, 1, {200, 100, 50}}});
    expectDecoded(
        "palette PNG with a transparent colour", encodePng(indices, 3, 2, PNG_FORMAT_RGBA_COLORMAP, keyedPalette), 3, 2,
        4, 0,
        {{0, 0, {10, 20, 30, 255}}, {1, 0, {200, 100, 50, 0}}, {0, 1, {1, 2, 3, 255}}, {2, 1, {200, 100, 50, 0}}});
}

TEST(ImageTest, BytesThatAreNoImageOrTooLargeGiveNoPixels) {
    const Bytes jpeg = encodeJpeg(redOverBlue(), 6, 16, 3);
    const struct {
        const char* name;
        Bytes file;
        const char* error;
    } cases[] = {
        {"empty", {}, "*** SDL_Surface null\n"},
        {"truncated JPEG", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2), "*** SDL_Surface null\n"},
        {"more pixels than the limit", claimSize(jpeg, 8193, 2048),
         "*** Image of 8193 x 2048 pixels has more than 16777216 pixels\n"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        Image image;
        EXPECT_FALSE(decode(image, c.file)) << c.name;
        EXPECT_EQ(image.pixels.capacity(), 0u) << c.name;
        EXPECT_EQ(log.str(), c.error) << c.name;
    }
}

TEST(ImageTest, NullSurfaceLeavesTheImageAsItWasAndAssignCopies) {
    const unsigned char pixel[3] = {1, 2, 3};
    Image image;
    image.setData(pixel, 1, 1, 3);
    LogCapture log;
    EXPECT_FALSE(image.loadSDLSurface(nullptr));
    EXPECT_EQ(image.pixels, Bytes(pixel, pixel + 3));
    Image copy;
    copy.assign(image).assign(copy);
    EXPECT_EQ(copy.pixels, image.pixels);
}

}  // namespace
}  // namespace Tramble
