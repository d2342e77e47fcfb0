// The audio library's decoder: every kind of MP3 comes out as stereo 16-bit at the output
// rate with the right pitch and the right number of samples, again after a rewind, and also
// from a file cut short.
#include "audio/mp3stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "audio/audiotesting.h"

namespace Tramble {
namespace {

using namespace AudioTesting;

// Frames asked for per read: not a divisor of any MPEG frame size, so reads straddle frames.
constexpr size_t readFrames = 1000;

// Every sample the stream hands out, interleaved stereo.
std::vector<std::int16_t> decodeAll(Mp3Stream& stream) {
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> chunk(readFrames * 2);
    for (size_t got = 0; (got = stream.read(chunk.data(), readFrames)) > 0;) {
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + got * 2);
    }
    return samples;
}

TEST(Mp3Stream, EveryFixtureDecodesToEachOutputRateWithPitchAndLengthKeptAlsoAfterARewind) {
    for (const long rate : {long(outputRate), 48000L}) {
        for (const ToneFixture& tone : toneFixtures) {
            SCOPED_TRACE(tone.file + " at " + std::to_string(rate));
            Mp3Stream::OpenError error;
            std::unique_ptr<Mp3Stream> stream = Mp3Stream::open(dataDir + tone.file, rate, error);
            ASSERT_NE(stream, nullptr);
            const std::vector<std::int16_t> samples = decodeAll(*stream);
            const ToneAnalysis heard = analyseTone(samples, rate);
            // Gapless decoding drops the encoder's delay and padding, and the resampler's output
            // count is exact, so the length is the tone's to within a couple of frames.
            EXPECT_NEAR(samples.size() / 2.0, tone.lengthMs * 0.001 * rate, 2.0);
            EXPECT_NEAR(heard.frequency, tone.frequency, tone.frequency * 0.002);
            // Half amplitude, a little off after MP3 coding; mono is doubled, stereo is alike.
            EXPECT_NEAR(heard.peak, 16384, 1100);
            EXPECT_LE(heard.channelMismatch, 64);
            EXPECT_TRUE(stream->ended());
            // A rewind restarts the resampler too; decoding after a seek may round a sample the other way.
            ASSERT_TRUE(stream->rewind());
            const std::vector<std::int16_t> again = decodeAll(*stream);
            ASSERT_EQ(again.size(), samples.size());
            for (size_t i = 0; i < samples.size(); ++i) {
                ASSERT_LE(std::abs(samples[i] - again[i]), 1) << i;
            }
        }
    }
}

TEST(Mp3Stream, FileCutInTheMiddlePlaysWhatIsLeftThenEnds) {
    // 8000 bytes of the 128 kb/s one-second tone: about half a second, ending inside a frame,
    // while the info frame still promises a whole second.
    std::vector<char> bytes(8000);
    std::ifstream(shortTone(), std::ios::binary).read(bytes.data(), bytes.size());
    const std::string cut = ::testing::TempDir() + "cut_in_the_middle.mp3";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), bytes.size());
    Mp3Stream::OpenError error;
    std::unique_ptr<Mp3Stream> stream = Mp3Stream::open(cut, outputRate, error);
    ASSERT_NE(stream, nullptr);
    EXPECT_NEAR(decodeAll(*stream).size() / 2.0, 0.475 * outputRate, 0.075 * outputRate);
    EXPECT_TRUE(stream->ended());
}

}  // namespace
}  // namespace Tramble
