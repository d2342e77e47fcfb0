// The audio library's C calls: every refusal with its error code (bad files included), the
// output information, and playback on SDL's real-time disk driver: the position follows the
// device, holds while stopped and stops at the stream's end, and the tone comes out intact.
#include "audio/bass.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>

#include "audio/audiotesting.h"

namespace Tramble {
namespace {

using namespace AudioTesting;

// Bytes of one second of output: stereo, signed 16-bit.
constexpr QWORD bytesPerSecond = outputRate * 4;

bool init(DWORD flags = BASS_DEVICE_LATENCY) {
    return BASS_Init(1, outputRate, flags, nullptr, nullptr);
}
HSTREAM open(const std::string& path, DWORD offset = 0, DWORD flags = 0) {
    return BASS_StreamCreateFile(0, path.c_str(), offset, 0, flags);
}

// A call, whether it did what it must (mostly: fail), and the code BASS_ErrorGetCode gives after it.
struct Call {
    const char* name;
    std::function<bool()> asExpected;
    int error;
};

// A bad handle must never read as a large position: the beat clock loops while it is ahead.
TEST(Bass, RefusalsAndTheOutputInformation) {
    BASS_INFO info{};
    HSTREAM stream = 0;
    const Call calls[] = {
        {"start", [] { return !BASS_Start(); }, BASS_ERROR_INIT},
        {"stop", [] { return !BASS_Stop(); }, BASS_ERROR_INIT},
        {"free", [] { return !BASS_Free(); }, BASS_ERROR_INIT},
        {"info", [&] { return !BASS_GetInfo(&info); }, BASS_ERROR_INIT},
        {"stream", [] { return open(shortTone()) == 0; }, BASS_ERROR_INIT},
        {"position", [] { return BASS_ChannelGetPosition(0) == QWORD(-1); }, BASS_ERROR_INIT},
        {"play", [] { return !BASS_StreamPlay(0, 0, 0); }, BASS_ERROR_INIT},
        {"device 2", [] { return !BASS_Init(2, outputRate, 0, nullptr, nullptr); }, BASS_ERROR_DEVICE},
        {"unknown flag", [] { return !init(BASS_DEVICE_LATENCY | 0x4); }, BASS_ERROR_NOTAVAIL},
        {"rate 0", [] { return !BASS_Init(1, 0, 0, nullptr, nullptr); }, BASS_ERROR_ILLPARAM},
        {"no driver",
         [] {
             ScopedDriver driver("no_such_driver");
             return !init();
         },
         BASS_ERROR_DRIVER},
        {"init", [] { return init(); }, BASS_OK},
        {"open", [&] { return (stream = open(shortTone())) != 0; }, BASS_OK},
        {"second init", [] { return !init(); }, BASS_ERROR_ALREADY},
        {"short info", [&] { return !BASS_GetInfo(&info); }, BASS_ERROR_ILLPARAM},
        {"missing file", [] { return open(dataDir + "missing.mp3") == 0; }, BASS_ERROR_FILEOPEN},
        {"no path", [] { return BASS_StreamCreateFile(0, nullptr, 0, 0, 0) == 0; }, BASS_ERROR_ILLPARAM},
        {"offset", [] { return open(shortTone(), 100) == 0; }, BASS_ERROR_NOTAVAIL},
        {"stream flags", [] { return open(shortTone(), 0, 4) == 0; }, BASS_ERROR_NOTAVAIL},
        {"handle 0", [] { return BASS_ChannelGetPosition(0) == QWORD(-1); }, BASS_ERROR_HANDLE},
        {"seconds of handle 0", [] { return BASS_ChannelBytes2Seconds(0, 0) == -1.0f; }, BASS_ERROR_HANDLE},
        {"unknown handle", [&] { return !BASS_StreamPlay(stream + 1, 0, 0); }, BASS_ERROR_HANDLE},
        {"no position", [&] { return BASS_ChannelBytes2Seconds(stream, QWORD(-1)) == -1.0f; }, BASS_ERROR_ILLPARAM},
        {"play flags", [&] { return !BASS_StreamPlay(stream, 0, 4); }, BASS_ERROR_NOTAVAIL},
    };
    for (const Call& call : calls) {
        EXPECT_TRUE(call.asExpected()) << call.name;
        EXPECT_EQ(BASS_ErrorGetCode(), call.error) << call.name;
    }
    EXPECT_EQ(BASS_ChannelBytes2Seconds(stream, bytesPerSecond), 1.0f);
    // Files that hold no MPEG audio, and a directory.
    for (const std::string file : {"empty.mp3", "truncated.mp3", "random.mp3", "image.mp3", "id3only.mp3", ""}) {
        EXPECT_EQ(open(dataDir + file), 0u) << file;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM) << file;
    }
    info.size = sizeof(info);
    ASSERT_TRUE(BASS_GetInfo(&info));
    EXPECT_EQ(info.latency, 24u);  // 1024 frames at 44.1 kHz, rounded up
    ASSERT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(-1, outputRate, 0, nullptr, nullptr)) << "-1 is the default device";
    ASSERT_TRUE(BASS_GetInfo(&info));
    EXPECT_EQ(info.latency, 0u) << "unless asked for";
    EXPECT_TRUE(BASS_Free());
}

// The one-second tone on SDL's real-time disk driver: before play, while playing, at its end, played
// again, restarted, stopped and resumed, and last with SDL quit under it as at shut-down.
TEST(Bass, PlaybackFollowsTheDeviceHoldsWhileStoppedAndCarriesTheToneToItsEnd) {
    const std::string file = ::testing::TempDir() + "tramble_disk_output.raw";
    ScopedDriver driver("disk");
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    ASSERT_TRUE(init());
    const HSTREAM stream = open(shortTone());
    ASSERT_NE(stream, 0u);
    const auto positionAfter = [stream](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return BASS_ChannelGetPosition(stream);
    };
    EXPECT_EQ(positionAfter(100), 0u) << "nothing is handed over before play";
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    // Some of the second has been handed over, far from all: the position is playback's, not decoding's.
    const QWORD early = positionAfter(100);
    const QWORD later = positionAfter(100);
    EXPECT_GT(early, 0u);
    EXPECT_GT(later, early);
    EXPECT_LT(later, bytesPerSecond * 7 / 10);
    ASSERT_TRUE(waitUntilPlayedOut(stream));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), bytesPerSecond);

    std::ifstream in(file, std::ios::binary | std::ios::ate);
    std::vector<std::int16_t> samples(in.tellg() / sizeof(std::int16_t));
    in.seekg(0).read(reinterpret_cast<char*>(samples.data()), samples.size() * sizeof(std::int16_t));
    const auto sounds = [](std::int16_t sample) { return sample != 0; };
    const size_t first = (std::find_if(samples.begin(), samples.end(), sounds) - samples.begin()) / 2;
    const size_t last = (samples.rend() - std::find_if(samples.rbegin(), samples.rend(), sounds) - 1) / 2;
    // The tone starts and ends near a zero crossing, where a frame or two may round to 0.
    EXPECT_NEAR(static_cast<double>(last + 1 - first), outputRate, 3);
    EXPECT_GT(samples.size() / 2, last + 1 + 4096) << "silence went on after the tone";
    EXPECT_NEAR(analyseTone(samples, outputRate).frequency, toneFixtures.front().frequency, 1.0);

    ASSERT_TRUE(BASS_StreamPlay(stream, 0, 0)) << "playing a played stream is no error";
    EXPECT_EQ(BASS_ChannelGetPosition(stream), bytesPerSecond) << "and does not restart it";
    ASSERT_TRUE(BASS_StreamPlay(stream, 1, 0));
    EXPECT_LT(BASS_ChannelGetPosition(stream), bytesPerSecond / 2);
    ASSERT_TRUE(BASS_Stop());
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    const QWORD held = BASS_ChannelGetPosition(stream);
    EXPECT_EQ(positionAfter(150), held);
    ASSERT_TRUE(BASS_Start());
    ASSERT_TRUE(waitUntilPlayedOut(stream));

    SDL_Quit();
    std::remove(file.c_str());
    EXPECT_EQ(BASS_ChannelGetPosition(stream), QWORD(-1));
    EXPECT_TRUE(init()) << "SDL comes back up for a new output";
}

}  // namespace
}  // namespace Tramble
