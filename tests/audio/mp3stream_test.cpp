// The audio library's decoder: every kind of MP3 comes out as stereo 16-bit at the output
// rate with the right pitch and the right number of samples, again after a rewind, and also
// from a file cut short.
#include "audio/mp3stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

std::unique_ptr<Mp3Stream> openFile(const std::string& path, long rate = outputRate) {
    Mp3Stream::OpenError error = Mp3Stream::OpenError::None;
    std::unique_ptr<Mp3Stream> stream = Mp3Stream::open(path, rate, error);
    EXPECT_EQ(error, Mp3Stream::OpenError::None) << path;
    return stream;
}

TEST(Mp3Stream, EveryFixtureDecodesToEachOutputRateWithPitchAndLengthKeptAlsoAfterARewind) {
    for (const long rate : {long(outputRate), 48000L}) {
        for (const ToneFixture& tone : toneFixtures) {
            SCOPED_TRACE(tone.file + " at " + std::to_string(rate));
            std::unique_ptr<Mp3Stream> stream = openFile(dataDir + tone.file, rate);
            ASSERT_NE(stream, nullptr);
            EXPECT_EQ(stream->sourceRate(), tone.rate);
            const std::vector<std::int16_t> samples = decodeAll(*stream);
            const ToneAnalysis heard = analyseTone(samples, rate);
            // Gapless decoding drops the encoder's delay and padding, and the resampler's output
            // count is exact, so the length is the tone's to within a couple of frames.
            EXPECT_NEAR(static_cast<double>(heard.frames), tone.lengthMs * 0.001 * rate, 2.0);
            EXPECT_NEAR(heard.frequency, tone.frequency, tone.frequency * 0.002);
            // Half amplitude, a little off after MP3 coding; mono is doubled, stereo is alike.
            EXPECT_NEAR(heard.peak, 16384, 1100);
            EXPECT_LE(heard.channelMismatch, 64);
            std::int16_t after[2];
            EXPECT_TRUE(stream->ended());
            EXPECT_EQ(stream->read(after, 1), 0u) << "reads after the end give nothing";
            // A rewind restarts the resampler too; float decoding after a seek may round a
            // sample the other way, never more.
            ASSERT_TRUE(stream->rewind());
            EXPECT_FALSE(stream->ended());
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
    std::ifstream in(shortTone(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = ::testing::TempDir() + "cut_in_the_middle.mp3";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), 8000);
    std::unique_ptr<Mp3Stream> stream = openFile(cut);
    ASSERT_NE(stream, nullptr);
    const ToneAnalysis heard = analyseTone(decodeAll(*stream), outputRate);
    EXPECT_GT(heard.frames, 0.4 * outputRate);
    EXPECT_LT(heard.frames, 0.55 * outputRate);
    EXPECT_NEAR(heard.frequency, 440.0, 1.0);
    EXPECT_TRUE(stream->ended());
}

}  // namespace
}  // namespace Tramble
