// Tests of the music generator: the beat grid the demo's beat clock relies on, the filter,
// voices that stay inside the mix, and the finished piece as a whole, mastered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "mixdown.h"
#include "score.h"
#include "synth.h"

namespace Tramble {
namespace {

// Amplitude of a sine after the filter's low-pass output, measured once it has settled.
float lowPassGain(float cutoff, double hz) {
    Svf filter;
    filter.setup(cutoff, 0.29f);
    float peak = 0.0f;
    for (int i = -sampleRate / 4; i < sampleRate / 4; ++i) {
        const float y = filter.process(static_cast<float>(std::sin(6.283185307179586 * hz * i / sampleRate))).low;
        peak = std::max(peak, i > 0 ? std::fabs(y) : 0.0f);
    }
    return peak;
}

// Each beat on the sample nearest its exact time: 130 beats are exactly a minute, and no
// rounding accumulates.
TEST(BeatGrid, BeatsNeverDriftFromTheTempo) {
    const double exactBeat = 60.0 * sampleRate / tempo;
    for (int beat = 0; beat < 450; ++beat) {
        EXPECT_LE(std::fabs(static_cast<double>(beatSample(beat)) - beat * exactBeat), 0.5) << beat;
    }
}

TEST(Filter, LowPassKeepsTheBassAndRemovesTheTop) {
    EXPECT_NEAR(lowPassGain(500.0f, 60.0), 1.0f, 0.05f);
    EXPECT_LT(lowPassGain(500.0f, 8000.0), 0.01f);  // about -40 dB two octaves up
    // Out-of-range cutoffs are clamped rather than turning the filter unstable.
    EXPECT_TRUE(std::isfinite(lowPassGain(1e6f, 1000.0)));
}

// One test for the whole piece: rendering it takes a while, and ctest runs each test alone.
TEST(Voices, NotesStartOnTheirSampleAndStayInsideTheMix) {
    Mixer mix(1000);
    kick(mix, 400, 1.0f);  // runs past the end of the mix: must be cut, not overrun
    Rng rng(1);
    synthNote(mix, rng, 5000, 1.0, 60, 1.0f, Patch{}, Place{});  // starts after the end
    for (std::size_t i = 0; i <= 400; ++i) {
        EXPECT_EQ(mix.bus[Mixer::Dry][0][i], 0.0f) << i;
    }
    EXPECT_GT(mix.bus[Mixer::Dry][0][401], 0.0f);
    EXPECT_LT(mix.duck[450], 1.0f);  // the kick pumps the ducked bus
    EXPECT_EQ(mix.duck[399], 1.0f);
}

TEST(Piece, FitsTheDemo) {
    Mixer mix(songFrames);
    renderScore(mix);
    const Track track = mixdown(mix, scoreMastering());

    EXPECT_EQ(track.left.size(), static_cast<std::size_t>(205) * 44100);
    EXPECT_LE(rmsDb(track, 204.5, 205.0), -200.0f);  // ends in digital silence
    EXPECT_GT(rmsDb(track, 198.0, 200.0), -60.0f);   // after a fade, not a cut

    // The first kick starts on sample 0, where the demo's beat clock starts counting.
    EXPECT_GT(track.left[1], 0.0f);
    EXPECT_GT(track.left[10], track.left[1]);

    EXPECT_LT(peakDb(track), -1.0f);
    // Sections start next to the demo's scenes.
    const double sceneStarts[] = {0.0, 45.0, 85.0, 125.0, 165.0};
    const std::vector<SectionSpan> sections = sectionSpans();
    ASSERT_EQ(sections.size(), std::size(sceneStarts));
    for (std::size_t s = 0; s < sections.size(); ++s) {
        EXPECT_NEAR(sections[s].from, sceneStarts[s], 0.7) << sections[s].name;
    }
    EXPECT_NEAR(rmsDb(track, sections[2].from, sections[2].to), -15.0f, 1.0f) << "the main part's loudness";
}

}  // namespace
}  // namespace Tramble
