// Command-line front end of the artwork generator: renders every texture the demo loads
// into PPM files in the given directory (the art build script converts them to JPEG).
// Usage: artgen OUTPUT_DIR [FONT_FILE]
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "backdrops.h"
#include "glyphsheet.h"
#include "raster.h"
#include "spheremaps.h"

namespace Tramble {
namespace {

struct Artwork {
    const char* name;
    std::function<Raster()> make;
};

const std::vector<Artwork>& artworks() {
    static const std::vector<Artwork> all = {
        {"particle", makeParticleSprite},       {"back", makeWaterSphereMap},     {"metaballs", makeChromeSphereMap},
        {"metallic", makeBrushedSphereMap},     {"background", makeKnotBackdrop}, {"background2", makeMetaballBackdrop},
        {"background3", makeStarfieldBackdrop},
    };
    return all;
}

bool writeArtwork(const std::string& directory, const std::string& name, const Raster& picture) {
    const std::string path = directory + "/" + name + ".ppm";
    if (!picture.writePpm(path)) {
        return false;
    }
    std::cout << path << " " << picture.width() << "x" << picture.height() << std::endl;
    return true;
}

int run(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "Usage: artgen OUTPUT_DIR [FONT_FILE]" << std::endl;
        return 2;
    }
    const std::string directory = argv[1];
    const std::string fontPath = argc == 3 ? argv[2] : defaultFontPath;

    Raster sheet(glyphSheetSize, glyphSheetSize);
    if (!renderGlyphSheet(fontPath, sheet) || !writeArtwork(directory, "fontmap", sheet)) {
        return 1;
    }
    for (const Artwork& artwork : artworks()) {
        if (!writeArtwork(directory, artwork.name, artwork.make())) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

}  // namespace Tramble

int main(int argc, char** argv) {
    return Tramble::run(argc, argv);
}
