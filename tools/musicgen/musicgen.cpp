// Command-line entry of the music generator: renders the demo's music and writes it as WAV.
// Usage: musicgen OUTPUT.wav. Prints the level of each section so a regeneration can be checked.
#include <cstdio>
#include <fstream>

#include "mixdown.h"
#include "score.h"
#include "wav.h"

int main(int argc, char** argv) {
    using namespace musicgen;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    Mixer mix(songFrames);
    renderScore(mix);
    const Track track = mixdown(mix, scoreMastering());

    std::ofstream out(argv[1], std::ios::binary);
    if (!out || !writeWav(out, track)) {
        std::fprintf(stderr, "musicgen: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %.1f s, %d Hz stereo, peak %.2f dBFS\n", argv[1], double(track.left.size()) / sampleRate,
                sampleRate, peakDb(track));
    for (const SectionSpan& s : sectionSpans()) {
        std::printf("  %-9s %6.2f-%6.2f s  RMS %6.2f dBFS\n", s.name, s.from, s.to, rmsDb(track, s.from, s.to));
    }
    return 0;
}
