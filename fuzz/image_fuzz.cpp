// Fuzz target for image decoding: any bytes through SDL_image and the conversion to packed
// R,G,B(,A) rows that texture upload takes. A decoded image must be exactly as large as its
// size and layout say.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>

#include "engine/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Null for empty input, which decode refuses like any other unreadable source.
    SDL_RWops* source = SDL_RWFromConstMem(data, static_cast<int>(size));
    Tramble::Image image;
    if (image.decode(source)) {
        const bool layout = image.bytesPerPixel == 3 || image.bytesPerPixel == 4;
        const std::size_t bytes = static_cast<std::size_t>(image.width) * image.height * image.bytesPerPixel;
        if (!layout || image.width <= 0 || image.height <= 0 || image.pixels.size() != bytes) {
            std::abort();
        }
    }
    if (source) {
        SDL_RWclose(source);
    }
    return 0;
}
