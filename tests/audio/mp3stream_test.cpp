// The audio library's decoder: every kind of MP3 comes out as stereo 16-bit at the output
// rate with the right pitch and the right number of samples, also from a file cut short.
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

TEST(Mp3Stream, EveryFixtureDecodesToTheOutputRateWithPitchAndLengthKept) {
    for (const ToneFixture& tone : toneFixtures()) {
        SCOPED_TRACE(tone.file);
        std::unique_ptr<Mp3Stream> stream = openFile(dataDir + tone.file);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->sourceRate(), tone.rate);
        const ToneAnalysis heard = analyseTone(decodeAll(*stream), outputRate);
        // Gapless decoding drops the encoder's delay and padding, and the resampler's output
        // count is exact, so the length is the tone's to within a couple of frames.
        EXPECT_NEAR(static_cast<double>(heard.frames), tone.lengthMs * 0.001 * outputRate, 2.0);
        EXPECT_NEAR(heard.frequency, tone.frequency, tone.frequency * 0.002);
        // Half amplitude; MP3 coding moves the peak a little.
        EXPECT_NEAR(heard.peak, 16384, 1000);
        // Mono is doubled and the stereo fixtures carry the same tone on both sides.
        EXPECT_LE(heard.channelMismatch, 64);
        EXPECT_TRUE(stream->ended());
        std::int16_t after[2];
        EXPECT_EQ(stream->read(after, 1), 0u) << "reads after the end give nothing";
    }
}

// 44.1 kHz up to 48 kHz: one second stays one second and 440 Hz stays 440 Hz, and a rewind
// restarts the resampler as well as the decoder.
TEST(Mp3Stream, OtherOutputRatesAndRewindStartingOverFromTheFirstSample) {
    std::unique_ptr<Mp3Stream> stream = openFile(shortTone(), 48000);
    ASSERT_NE(stream, nullptr);
    const std::vector<std::int16_t> first = decodeAll(*stream);
    const ToneAnalysis heard = analyseTone(first, 48000);
    EXPECT_NEAR(static_cast<double>(heard.frames), 48000.0, 2.0);
    EXPECT_NEAR(heard.frequency, 440.0, 1.0);
    ASSERT_TRUE(stream->rewind());
    EXPECT_FALSE(stream->ended());
    const std::vector<std::int16_t> second = decodeAll(*stream);
    ASSERT_EQ(second.size(), first.size());
    // Float decoding after a seek may round a sample the other way, never more.
    for (size_t i = 0; i < first.size(); ++i) {
        ASSERT_LE(std::abs(first[i] - second[i]), 1) << i;
    }
}

TEST(Mp3Stream, FileCutInTheMiddlePlaysWhatIsLeftThenEnds) {
    // The first 8000 bytes of the 128 kb/s one-second fixture: about half a second of audio,
    // ending inside a frame, while the info frame still promises a whole second.
    std::ifstream in(shortTone(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8000u);
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
