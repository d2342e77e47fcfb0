// Decodes our music through the audio library's Mp3Stream and our pictures the way each build
// does (SDL_image's IMG_Load on the desktop, decodeJpeg in the browser), and prints each
// one's size and a checksum of its samples or pixel bytes, so two builds can be compared.
// Usage: tramble_decodecheck file.mp3... file.jpg...
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/mp3stream.h"
#ifdef __EMSCRIPTEN__
#include "engine/jpegload.h"
#else
#include <SDL.h>
#include <SDL_image.h>
#endif

namespace {

// Output rates in Hz: the demo's, and one that makes libsyn123 resample our 44.1 kHz music.
constexpr long outputRates[] = {44100, 48000};
// Stereo frames per read.
constexpr std::size_t chunkFrames = 4096;

// 64-bit FNV-1a: any changed byte changes it.
class Checksum {
public:
    void add(const void* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            value = (value ^ static_cast<const unsigned char*>(bytes)[i]) * 1099511628211ull;
        }
    }
    unsigned long long get() const { return value; }

private:
    std::uint64_t value = 14695981039346656037ull;
};

bool printMusic(const std::string& path, long outputRate) {
    Tramble::Mp3Stream::OpenError error = Tramble::Mp3Stream::OpenError::None;
    const auto stream = Tramble::Mp3Stream::open(path, outputRate, error);
    if (!stream) {
        std::fprintf(stderr, "%s: cannot decode\n", path.c_str());
        return false;
    }
    std::vector<std::int16_t> samples(chunkFrames * 2);
    Checksum checksum;
    unsigned long long frames = 0;
    while (const std::size_t count = stream->read(samples.data(), chunkFrames)) {
        checksum.add(samples.data(), count * 2 * sizeof(std::int16_t));
        frames += count;
    }
    std::printf("%s: %llu frames at %ld Hz from %ld Hz, checksum %016llx\n", path.c_str(), frames, outputRate,
                stream->sourceRate(), checksum.get());
    return true;
}

bool printPicture(const std::string& path) {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    Checksum checksum;
#ifdef __EMSCRIPTEN__
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Tramble::JpegPixels picture;
    if (!file || !Tramble::decodeJpeg(bytes.data(), bytes.size(), picture)) {
        std::fprintf(stderr, "%s: cannot decode\n", path.c_str());
        return false;
    }
    width = picture.width;
    height = picture.height;
    bytesPerPixel = picture.bytesPerPixel;
    checksum.add(picture.pixels.data(), picture.pixels.size());
#else
    SDL_Surface* surface = IMG_Load(path.c_str());
    if (!surface) {
        std::fprintf(stderr, "%s: cannot decode: %s\n", path.c_str(), IMG_GetError());
        return false;
    }
    width = surface->w;
    height = surface->h;
    bytesPerPixel = surface->format->BytesPerPixel;
    // SDL_image's RGB surfaces hold R, G, B in memory order, as decodeJpeg's rows do.
    for (int y = 0; y < height; ++y) {
        checksum.add(static_cast<const Uint8*>(surface->pixels) + y * surface->pitch,
                     static_cast<std::size_t>(width) * bytesPerPixel);
    }
    SDL_FreeSurface(surface);
#endif
    std::printf("%s: %d x %d x %d, checksum %016llx\n", path.c_str(), width, height, bytesPerPixel, checksum.get());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool decoded = true;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        if (path.size() <= 4 || path.compare(path.size() - 4, 4, ".mp3") != 0) {
            decoded = printPicture(path) && decoded;
            continue;
        }
        for (const long rate : outputRates) {
            decoded = printMusic(path, rate) && decoded;
        }
    }
    return decoded ? 0 : 1;
}
