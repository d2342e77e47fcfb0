// Tests of the music generator: the beat grid the demo's beat clock relies on, the filter,
// the voices' bounds, the WAV layout and the finished piece as a whole, mastered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "mixdown.h"
#include "score.h"
#include "synth.h"
#include "wav.h"

namespace musicgen {
namespace {

// Amplitude of a sine after the filter's low-pass output, measured once it has settled.
float lowPassGain(float cutoff, double hz) {
    Svf filter;
    filter.setup(cutoff, 0.29f);
    float peak = 0.0f;
    for (int i = 0; i < sampleRate / 2; ++i) {
        const float y = filter.process(float(std::sin(6.283185307179586 * hz * i / sampleRate))).low;
        if (i > sampleRate / 4) {
            peak = std::max(peak, std::fabs(y));
        }
    }
    return peak;
}

std::uint32_t readLe(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) {
        v = (v << 8) | std::uint8_t(bytes[at + i]);
    }
    return v;
}

// Each beat on the sample nearest its exact time: 130 beats are exactly a minute, and no
// rounding accumulates.
TEST(BeatGrid, BeatsNeverDriftFromTheTempo) {
    const double exactBeat = 60.0 * sampleRate / tempo;
    for (int beat = 0; beat < 450; ++beat) {
        EXPECT_LE(std::fabs(double(beatSample(beat)) - beat * exactBeat), 0.5) << beat;
    }
}

TEST(Filter, LowPassKeepsTheBassAndRemovesTheTop) {
    EXPECT_NEAR(lowPassGain(500.0f, 60.0), 1.0f, 0.05f);
    EXPECT_LT(lowPassGain(500.0f, 8000.0), 0.01f);  // about -40 dB two octaves up
    // Out-of-range cutoffs are clamped rather than turning the filter unstable.
    EXPECT_TRUE(std::isfinite(lowPassGain(1e6f, 1000.0)));
}

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

TEST(Wav, HeaderAndSamplesAreLittleEndianPcm) {
    Track track{{0.0f, 1.0f, -2.0f}, {0.5f, -1.0f, 0.0f}};
    std::ostringstream out;
    ASSERT_TRUE(writeWav(out, track));
    const std::string bytes = out.str();
    ASSERT_EQ(bytes.size(), 44u + 3 * 4);
    EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8) + bytes.substr(36, 4), "RIFFWAVEfmt data");
    // Offset, width and value: the sizes, channels, rate, bytes per second, bits per sample,
    // and samples (0.5 right, full scale left, -1 and the clipped -2 at the bottom of the scale).
    const std::uint32_t minimum = std::uint16_t(-32767);
    const std::uint32_t fields[][3] = {{4, 4, 48},  {22, 2, 2},     {24, 4, 44100}, {28, 4, 176400},  {34, 2, 16},
                                       {40, 4, 12}, {46, 2, 16384}, {48, 2, 32767}, {50, 2, minimum}, {52, 2, minimum}};
    for (const auto& field : fields) {
        EXPECT_EQ(readLe(bytes, field[0], field[1]), field[2]) << "at " << field[0];
    }
}

TEST(Arrangement, SectionsStartOnBarLinesNextToTheDemoScenes) {
    const double sceneStarts[] = {0.0, 45.0, 85.0, 125.0, 165.0};
    const std::vector<SectionSpan> sections = sectionSpans();
    ASSERT_EQ(sections.size(), std::size(sceneStarts));
    for (std::size_t s = 0; s < sections.size(); ++s) {
        EXPECT_NEAR(sections[s].from, sceneStarts[s], 0.7) << sections[s].name;
        const double bars = sections[s].from / (4.0 * beatSeconds);
        EXPECT_NEAR(bars, std::round(bars), 1e-9) << sections[s].name;
    }
    EXPECT_DOUBLE_EQ(sections.back().to, 205.0);
}

// One test for the whole piece: rendering it takes a while, and ctest runs each test alone.
TEST(Piece, FitsTheDemo) {
    Mixer mix(songFrames);
    renderScore(mix);
    const Track track = mixdown(mix, scoreMastering());

    EXPECT_EQ(track.left.size(), std::size_t(205) * 44100);
    EXPECT_LE(rmsDb(track, 204.5, 205.0), -200.0f);  // ends in digital silence
    EXPECT_GT(rmsDb(track, 198.0, 200.0), -60.0f);   // after a fade, not a cut

    // The first kick starts on sample 0, where the demo's beat clock starts counting.
    EXPECT_GT(track.left[1], 0.0f);
    EXPECT_GT(track.left[10], track.left[1]);

    EXPECT_LT(peakDb(track), -1.0f);
    const std::vector<SectionSpan> sections = sectionSpans();
    const float main = rmsDb(track, sections[2].from, sections[2].to);
    EXPECT_GT(main, -16.0f);
    EXPECT_LT(main, -14.0f);
    // The calm opening and the outro sit well below the main part, the others in between.
    EXPECT_LT(rmsDb(track, sections[0].from, sections[0].to), main - 4.0f);
    EXPECT_LT(rmsDb(track, sections[4].from, sections[4].to), main - 3.0f);
    for (int s : {1, 3}) {
        EXPECT_LT(rmsDb(track, sections[s].from, sections[s].to), main - 1.0f);
    }
}

}  // namespace
}  // namespace musicgen
