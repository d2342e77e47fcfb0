// Fuzz target for the font's text handling without OpenGL: the first two bytes choose the
// alignment, the rest is the line. Every character must land on one of the sheet's 256
// cells, or on none (it is then left out), and the aligned line must start at a finite place.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/bitmapfont.h"

namespace {

// Glyph advance in text units: the demo's fonts use advances of this order.
const float advance = 20.0f;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    Tramble::BitmapFont font;
    font.advance = advance;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::array<float, 2> position = font.alignedPosition(
        static_cast<std::int8_t>(data[0]), static_cast<std::int8_t>(data[1]), static_cast<int>(text.size()));
    if (!std::isfinite(position[0]) || !std::isfinite(position[1])) {
        std::abort();
    }
    for (const char character : text) {
        const int cell = Tramble::BitmapFont::glyphCell(static_cast<unsigned char>(character));
        if (cell != Tramble::BitmapFont::noCell && (cell < 0 || cell >= Tramble::BitmapFont::glyphCount)) {
            std::abort();
        }
    }
    return 0;
}
