// The audio library's C calls: life cycle and misuse, the output information, bad files and
// handles, and playback on SDL's real-time dummy and disk drivers: the position follows what
// was handed to the device and stops at the stream's end, and the tone comes out intact.
#include "audio/bass.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/audiotesting.h"

namespace Tramble {
namespace {

using namespace AudioTesting;

// Device buffer length the library derives its latency from: 1024 frames at 44.1 kHz.
constexpr DWORD kBufferMs = 24;

// Every test starts and ends with the library closed, whatever it did in between.
class Bass : public ::testing::Test {
protected:
    void SetUp() override { BASS_Free(); }
    void TearDown() override { BASS_Free(); }

    static bool init() { return BASS_Init(1, kOutputRate, BASS_DEVICE_LATENCY, nullptr, nullptr); }
    static HSTREAM open(const std::string& path) { return BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0); }
};

TEST_F(Bass, InitStartStopFreeAndTheirMisuse) {
    EXPECT_FALSE(BASS_Start());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Stop());
    EXPECT_FALSE(BASS_Free());

    ASSERT_TRUE(init());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_FALSE(init()) << "a second init";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Stop());
    EXPECT_TRUE(BASS_Start());
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_TRUE(init()) << "the output can be opened again after BASS_Free";
}

TEST_F(Bass, InitRejectsWhatItDoesNotOffer) {
    EXPECT_FALSE(BASS_Init(2, kOutputRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Init(1, kOutputRate, BASS_DEVICE_LATENCY | 0x4, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_FALSE(BASS_Init(1, 0, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no_such_driver");
        EXPECT_FALSE(init());
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    }
    EXPECT_TRUE(BASS_Init(-1, kOutputRate, 0, nullptr, nullptr)) << "-1 is the default device, and no failure stays";
}

TEST_F(Bass, InfoIsSixtyBytesWithTheLatencyTwelfth) {
    static_assert(offsetof(BASS_INFO, latency) == 11 * sizeof(DWORD), "latency is the twelfth field");
    BASS_INFO info{};
    info.size = sizeof(info);
    EXPECT_FALSE(BASS_GetInfo(&info)) << "before init";

    ASSERT_TRUE(init());
    ASSERT_TRUE(BASS_GetInfo(&info));
    EXPECT_EQ(info.size, 60u);
    EXPECT_EQ(info.latency, kBufferMs);
    EXPECT_EQ(info.freq, kOutputRate);
    EXPECT_EQ(info.initflags, DWORD(BASS_DEVICE_LATENCY));

    info.size = 40;
    EXPECT_FALSE(BASS_GetInfo(&info));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_FALSE(BASS_GetInfo(nullptr));

    ASSERT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(1, kOutputRate, 0, nullptr, nullptr));
    info.size = sizeof(info);
    ASSERT_TRUE(BASS_GetInfo(&info));
    EXPECT_EQ(info.latency, 0u) << "unless asked for";
}

TEST_F(Bass, BadFilesGiveNoStream) {
    EXPECT_EQ(open(shortTone()), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT) << "no output open";
    ASSERT_TRUE(init());
    const struct {
        const char* file;
        int error;
    } cases[] = {
        {"missing.mp3", BASS_ERROR_FILEOPEN},   {"empty.mp3", BASS_ERROR_FILEFORM},
        {"truncated.mp3", BASS_ERROR_FILEFORM}, {"random.mp3", BASS_ERROR_FILEFORM},
        {"image.mp3", BASS_ERROR_FILEFORM},     {"id3only.mp3", BASS_ERROR_FILEFORM},
    };
    for (const auto& bad : cases) {
        EXPECT_EQ(open(kDataDir + bad.file), 0u) << bad.file;
        EXPECT_EQ(BASS_ErrorGetCode(), bad.error) << bad.file;
    }
    EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    // What this library does not offer fails plainly rather than half-working.
    const std::string tone = shortTone();
    EXPECT_EQ(BASS_StreamCreateFile(1, tone.c_str(), 0, 0, 0), 0u) << "from memory";
    EXPECT_EQ(BASS_StreamCreateFile(0, tone.c_str(), 100, 0, 0), 0u) << "with an offset";
    EXPECT_EQ(BASS_StreamCreateFile(0, tone.c_str(), 0, 0, 4), 0u) << "with flags";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

// The beat clock loops while the position is ahead of its next beat, so a bad handle must
// never read as a large position.
TEST_F(Bass, BadHandlesReadAsErrorsNeverAsHugePositions) {
    const auto expectBadHandleZero = [] {
        EXPECT_EQ(BASS_ChannelGetPosition(0), QWORD(-1));
        EXPECT_EQ(BASS_ChannelBytes2Seconds(0, 0), -1.0f);
        EXPECT_EQ(BASS_ChannelBytes2Seconds(0, BASS_ChannelGetPosition(0)), -1.0f);
        EXPECT_EQ(BASS_ChannelIsActive(0), DWORD(BASS_ACTIVE_STOPPED));
        EXPECT_FALSE(BASS_StreamPlay(0, 0, 0));
        EXPECT_FALSE(BASS_StreamPlay(12345, 0, 0));
    };
    {
        SCOPED_TRACE("output closed");
        expectBadHandleZero();
    }
    ASSERT_TRUE(init());
    {
        SCOPED_TRACE("output open");
        expectBadHandleZero();
    }
    const HSTREAM stream = open(shortTone());
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelBytes2Seconds(stream, QWORD(-1)), -1.0f);
    EXPECT_EQ(BASS_ChannelBytes2Seconds(stream, 176400), 1.0f);
    EXPECT_FALSE(BASS_StreamPlay(stream, 0, 4)) << "flags are not offered";
    EXPECT_FALSE(BASS_StreamPlay(stream + 1, 0, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Bass, PositionFollowsPlaybackAndStopsAtTheEnd) {
    ASSERT_TRUE(init());
    const HSTREAM stream = open(shortTone());
    ASSERT_NE(stream, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 0u) << "nothing is handed over before play";
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));

    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    const auto begin = std::chrono::steady_clock::now();
    QWORD previous = 0;
    QWORD midway = 0;
    while (std::chrono::steady_clock::now() - begin < std::chrono::milliseconds(300)) {
        const QWORD position = BASS_ChannelGetPosition(stream);
        EXPECT_GE(position, previous) << "the position never goes back";
        previous = position;
        midway = position;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Some of the second has been handed over, far from all of it: the position is that of
    // playback, not of how fast the file decodes.
    EXPECT_GT(midway, 0u);
    EXPECT_LT(BASS_ChannelBytes2Seconds(stream, midway), 0.7f);

    ASSERT_TRUE(waitUntilPlayedOut({stream}));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 44100 * kBytesPerFrame);
    EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)), 1.0f);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED)) << "the position moves no more";
}

TEST_F(Bass, StopHoldsThePositionAndStartResumes) {
    ASSERT_TRUE(init());
    const HSTREAM stream = open(shortTone());
    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(BASS_Stop());
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    const QWORD held = BASS_ChannelGetPosition(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), held);
    ASSERT_TRUE(BASS_Start());
    const auto resumed = std::chrono::steady_clock::now();
    while (BASS_ChannelGetPosition(stream) == held &&
           std::chrono::steady_clock::now() - resumed < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(BASS_ChannelGetPosition(stream), held);
}

TEST_F(Bass, FlushRestartsTheStreamFromItsStart) {
    ASSERT_TRUE(init());
    const HSTREAM stream = open(shortTone());
    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0));
    ASSERT_TRUE(waitUntilPlayedOut({stream}));
    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0)) << "playing a playing stream is no error";
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 44100 * kBytesPerFrame) << "and does not restart it";
    ASSERT_TRUE(BASS_StreamPlay(stream, 1, 0));
    EXPECT_LT(BASS_ChannelGetPosition(stream), 44100 * kBytesPerFrame / 2);
    ASSERT_TRUE(waitUntilPlayedOut({stream}));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 44100 * kBytesPerFrame);
}

// Frames of silence allowed around the tone in the disk driver's output: the tone itself
// starts and ends near a zero crossing, where a sample or two may round to 0.
constexpr size_t kEdgeFrames = 3;

TEST_F(Bass, DiskOutputCarriesTheToneAndSilenceAfterItsEnd) {
    const std::string file = ::testing::TempDir() + "tramble_disk_output.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv target("SDL_DISKAUDIOFILE", file.c_str());
    ASSERT_TRUE(init());
    // The resampled 32 kHz fixture, so conversion is covered end to end as well.
    const ToneFixture& tone = toneFixtures()[3];
    const HSTREAM stream = open(kDataDir + tone.file);
    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0));
    ASSERT_TRUE(waitUntilPlayedOut({stream}));
    ASSERT_TRUE(BASS_Free());

    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
    size_t first = samples.size();
    size_t last = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) {
            first = std::min(first, i / 2);
            last = i / 2;
        }
    }
    ASSERT_LT(first, last);
    const size_t expectedFrames = tone.lengthMs * kOutputRate / 1000;
    EXPECT_NEAR(static_cast<double>(last + 1 - first), expectedFrames, kEdgeFrames);
    EXPECT_GT(samples.size() / 2, last + 1 + 4096) << "silence went on after the tone";
    const std::vector<std::int16_t> played(samples.begin() + 2 * first, samples.begin() + 2 * (last + 1));
    EXPECT_NEAR(analyseTone(played, kOutputRate).frequency, tone.frequency, 1.0);
    std::remove(file.c_str());
}

TEST_F(Bass, SdlQuitBeforeFreeDropsTheOutputQuietly) {
    ASSERT_TRUE(init());
    const HSTREAM stream = open(shortTone());
    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0));
    // What the kernel does at shut-down while the sound task keeps its stream.
    SDL_Quit();
    EXPECT_EQ(BASS_ChannelGetPosition(stream), QWORD(-1));
    EXPECT_FALSE(BASS_Stop());
    EXPECT_FALSE(BASS_Free());
    EXPECT_TRUE(init()) << "SDL comes back up for a new output";
}

}  // namespace
}  // namespace Tramble
