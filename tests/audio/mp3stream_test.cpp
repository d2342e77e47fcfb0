// The audio library's decoder: every kind of MP3 comes out as stereo 16-bit at the output
// rate with the right pitch and the right number of samples, and no bad input yields a stream.
#include "audio/mp3stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "audio/audiotesting.h"

namespace Tramble {
namespace {

using namespace AudioTesting;

// Frames asked for per read: not a divisor of any MPEG frame size, so reads straddle frames.
constexpr size_t kReadFrames = 1000;

// Every sample the stream hands out, interleaved stereo.
std::vector<std::int16_t> decodeAll(Mp3Stream& stream) {
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> chunk(kReadFrames * 2);
    size_t got = 0;
    while ((got = stream.read(chunk.data(), kReadFrames)) > 0) {
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + got * 2);
    }
    return samples;
}

std::unique_ptr<Mp3Stream> openFixture(const std::string& file, long rate = kOutputRate) {
    Mp3Stream::OpenError error = Mp3Stream::OpenError::None;
    std::unique_ptr<Mp3Stream> stream = Mp3Stream::open(kDataDir + file, rate, error);
    EXPECT_EQ(error, Mp3Stream::OpenError::None) << file;
    return stream;
}

class Mp3StreamFormats : public ::testing::TestWithParam<ToneFixture> {};

TEST_P(Mp3StreamFormats, DecodesToTheOutputRateWithPitchAndLengthKept) {
    const ToneFixture& tone = GetParam();
    std::unique_ptr<Mp3Stream> stream = openFixture(tone.file);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->sourceRate(), tone.rate);

    const ToneAnalysis heard = analyseTone(decodeAll(*stream), kOutputRate);
    // Gapless decoding drops the encoder's delay and padding, and the resampler's output
    // count is exact, so the length is the tone's to within a couple of frames.
    const double expectedFrames = tone.lengthMs * 0.001 * kOutputRate;
    EXPECT_NEAR(static_cast<double>(heard.frames), expectedFrames, 2.0);
    EXPECT_NEAR(heard.frequency, tone.frequency, tone.frequency * 0.002);
    // Half amplitude; MP3 coding moves the peak a little.
    EXPECT_NEAR(heard.peak, 16384, 1000);
    // Mono is doubled and the stereo fixtures carry the same tone on both sides.
    EXPECT_LE(heard.channelMismatch, 64);
    EXPECT_TRUE(stream->ended());
    std::int16_t after[2];
    EXPECT_EQ(stream->read(after, 1), 0u) << "reads after the end give nothing";
}

INSTANTIATE_TEST_SUITE_P(AllFixtures, Mp3StreamFormats, ::testing::ValuesIn(toneFixtures()),
                         [](const ::testing::TestParamInfo<ToneFixture>& info) {
                             const std::string& file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

TEST(Mp3Stream, ConvertsToOtherOutputRatesToo) {
    // 44.1 kHz up to 48 kHz: one second stays one second, 440 Hz stays 440 Hz.
    std::unique_ptr<Mp3Stream> stream = openFixture(toneFixtures().front().file, 48000);
    ASSERT_NE(stream, nullptr);
    const ToneAnalysis heard = analyseTone(decodeAll(*stream), 48000);
    EXPECT_NEAR(static_cast<double>(heard.frames), 48000.0, 2.0);
    EXPECT_NEAR(heard.frequency, 440.0, 1.0);
}

TEST(Mp3Stream, RewindStartsOverFromTheFirstSample) {
    // The resampled fixture, so the resampler's state is restarted as well.
    const ToneFixture& tone = toneFixtures()[2];
    std::unique_ptr<Mp3Stream> stream = openFixture(tone.file);
    ASSERT_NE(stream, nullptr);
    const std::vector<std::int16_t> first = decodeAll(*stream);
    ASSERT_TRUE(stream->rewind());
    EXPECT_FALSE(stream->ended());
    const std::vector<std::int16_t> second = decodeAll(*stream);
    ASSERT_EQ(second.size(), first.size());
    // Float decoding after a seek may round a sample the other way, never more.
    int largestDifference = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        largestDifference = std::max(largestDifference, std::abs(first[i] - second[i]));
    }
    EXPECT_LE(largestDifference, 1);
}

TEST(Mp3Stream, FileCutInTheMiddlePlaysWhatIsLeftThenEnds) {
    // The first 8000 bytes of the 128 kb/s one-second fixture: about half a second of audio,
    // ending inside a frame, while the info frame still promises a whole second.
    std::ifstream in(kDataDir + toneFixtures().front().file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8000u);
    const std::string cut = ::testing::TempDir() + "cut_in_the_middle.mp3";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), 8000);

    Mp3Stream::OpenError error = Mp3Stream::OpenError::None;
    std::unique_ptr<Mp3Stream> stream = Mp3Stream::open(cut, kOutputRate, error);
    ASSERT_NE(stream, nullptr);
    const ToneAnalysis heard = analyseTone(decodeAll(*stream), kOutputRate);
    EXPECT_GT(heard.frames, 0.4 * kOutputRate);
    EXPECT_LT(heard.frames, 0.55 * kOutputRate);
    EXPECT_NEAR(heard.frequency, 440.0, 1.0);
    EXPECT_TRUE(stream->ended());
}

struct BadInput {
    std::string file;
    Mp3Stream::OpenError error;
};

void PrintTo(const BadInput& input, std::ostream* out) {
    *out << '"' << input.file << '"';
}

class Mp3StreamBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(Mp3StreamBadInput, GivesNoStream) {
    Mp3Stream::OpenError error = Mp3Stream::OpenError::None;
    EXPECT_EQ(Mp3Stream::open(kDataDir + GetParam().file, kOutputRate, error), nullptr);
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Files, Mp3StreamBadInput,
                         ::testing::Values(BadInput{"missing.mp3", Mp3Stream::OpenError::FileOpen},
                                           BadInput{"empty.mp3", Mp3Stream::OpenError::Format},
                                           BadInput{"truncated.mp3", Mp3Stream::OpenError::Format},
                                           BadInput{"random.mp3", Mp3Stream::OpenError::Format},
                                           BadInput{"image.mp3", Mp3Stream::OpenError::Format},
                                           BadInput{"id3only.mp3", Mp3Stream::OpenError::Format},
                                           BadInput{"", Mp3Stream::OpenError::Format}),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                             const std::string& file = info.param.file;
                             return file.empty() ? std::string("directory") : file.substr(0, file.find('.'));
                         });

}  // namespace
}  // namespace Tramble
