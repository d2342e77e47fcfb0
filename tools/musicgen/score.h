// The arrangement of the demo's music: five sections in A minor that follow the demo's
// scenes (rain, build, main part, particles, credits), and how the mix is mastered.
#pragma once

#include <vector>

#include "mixdown.h"
#include "synth.h"

namespace Tramble {

// Renders every note of the piece into a mixer of songFrames frames.
void renderScore(Mixer& mix);

// Fade, loudness reference and ceiling for this piece.
Mastering scoreMastering();

// One section of the piece, in seconds, for reporting.
struct SectionSpan {
    const char* name;
    double from, to;
};
std::vector<SectionSpan> sectionSpans();

}  // namespace Tramble
