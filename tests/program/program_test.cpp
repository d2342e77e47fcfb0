// The real binary from outside: failed starts exit with status 1; runs with intact, broken
// or missing data play every scene to the end; a quit in each scene, a five-second stop (on
// a fast clock, and in real time, where Scene2 must still start with its music), a hung
// audio output and a closed standard output all end cleanly. Runs play in a scratch copy of data/ made of links.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo/timeline.h"
#include "support/logcapture.h"
#include "support/process.h"

namespace Tramble {
namespace {

namespace fs = std::filesystem;

// Stepped runs advance the clock this many ms a frame; a quit keeps this many frames off its scene's edges.
const std::uint64_t stepMs = 1000;
const std::uint64_t quitMarginFrames = 2;
// The fast-clock stop: speed-up, real seconds into Scene2, length, share the next pass must carry.
const char* const stopClockScale = "20";
const double secondsIntoScene2 = 1.0;
const int stoppedSeconds = 5;
const double catchUpShare = 0.9;
// The real-time stop: seconds after the handler starts; ms beyond its frame Scene2 may be off the music.
const double secondsBeforeStop = 20.0;
const double largestOffsetMs = 50.0;
const double nanosecondsPerSecond = 1e9;
// Real seconds a run may take before the test calls it a hang.
const double runSeconds = 300.0;
const char* const musicPath = "data/sounds/tramble.mp3";
const char* const garbage = "These bytes are text: neither a JPEG picture nor MP3 music.\n";
// Only the middle scenes log their stages: two lines as each starts, two as it stops.
const int stageLinesPerScene = 4;
const int allStageLines = static_cast<int>(sceneCount - 2) * stageLinesPerScene;
const std::string scene2Starting = "    === Running state 1 during length 0\n";
const std::string halting = "    === Caught quit event, halting\n";
// What the sanitizers print at the head of a report, which need not change the exit status.
const char* const sanitizerMarkers[] = {"ERROR: AddressSanitizer", "LeakSanitizer", "runtime error:"};
// Every run that gets going ends so; a failed start stops alike up to the timer's, then the engine.
const std::vector<std::string> stopSequence{"    --- Stopping sound task\n",
                                            "    --- Stopping video task\n",
                                            "    --- Stopping input task\n",
                                            "    --- Stop timer task\n",
                                            "        === Stopping demo scene handler\n",
                                            "        --- Dropping resource 'back.jpg'\n",
                                            "        --- Dropping resource 'particle.jpg'\n",
                                            "    --- Stopping kernel\n",
                                            "--- Stopping engine\n"};
const int timerStopped = 3;

// The first needle not found in text in this order ("" when all are).
std::string missingInOrder(const std::string& text, const std::vector<std::string>& needles) {
    std::string::size_type from = 0;
    for (const std::string& needle : needles) {
        if ((from = text.find(needle, from)) == std::string::npos) {
            return needle;
        }
        from += needle.size();
    }
    return "";
}

std::vector<std::string> thenStopped(std::vector<std::string> log) {
    log.insert(log.end(), stopSequence.begin(), stopSequence.end());
    return log;
}

// The whole log of a run that plays every scene, with each scene's stages as its edge passes.
std::vector<std::string> playedLog() {
    std::vector<std::string> log{"--- Starting engine\n",
                                 "    --- Starting demo engine\n",
                                 "    --- Starting kernel\n",
                                 "    --- Starting timer task\n",
                                 "    --- Starting input task\n",
                                 "    --- Starting video task\n",
                                 "        --- Trying to use video setup 'fullscreen (800x600x32)'\n",
                                 "        --- Initializing renderer\n",
                                 "    --- Starting sound task\n"};
    for (const SceneSlot& slot : timeline) {
        log.push_back("    === Adding scene from " + std::to_string(slot.start) + " to " + std::to_string(slot.end()) +
                      "\n");
    }
    log.insert(log.end(), {"    === Starting demo scene handler\n", "    --- Fetching resource 'fontmap.jpg'\n"});
    for (size_t scene = 1; scene + 1 < sceneCount; ++scene) {
        log.insert(
            log.end(),
            {scene2Starting, "    === Running state 3 during length " + std::to_string(timeline[scene].length) + "\n",
             "    === Running state 2 during length 0\n", "    === Running state 0 during length 0\n"});
    }
    log.push_back("    === No scenes left, exiting\n");
    return thenStopped(log);
}

// Waits for the demo's end: status 0, no sanitizer report, and `log` in order.
void expectCleanEnd(ChildProcess& demo, const std::vector<std::string>& log) {
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    const std::string output = demo.output();
    EXPECT_EQ(demo.exitCode, 0) << output;
    for (const char* marker : sanitizerMarkers) {
        EXPECT_EQ(countOccurrences(output, marker), 0) << output;
    }
    EXPECT_EQ(missingInOrder(output, log), "") << output;
}

const fs::path realData = fs::path(TRAMBLE_SOURCE_DIR) / "data";

enum class Breakage { None, Missing, Empty, Truncated, Garbage };

// A scratch working directory with data/ mirroring the real one through symbolic links.
struct ScratchData : TemporaryDirectory {
    ScratchData() {
        for (const char* directory : {"images", "sounds"}) {
            fs::create_directories(path / "data" / directory);
            for (const fs::directory_entry& entry : fs::directory_iterator(realData / directory)) {
                fs::create_symlink(entry.path(), path / "data" / directory / entry.path().filename());
            }
        }
    }

    void breakFile(const fs::path& relative, Breakage breakage) {
        std::ostringstream bytes;
        bytes << std::ifstream(realData.parent_path() / relative, std::ios::binary).rdbuf();
        if (breakage != Breakage::None) {
            fs::remove(path / relative);
        }
        if (breakage != Breakage::None && breakage != Breakage::Missing) {
            std::ofstream(path / relative, std::ios::binary)
                << (breakage == Breakage::Garbage     ? std::string(garbage)
                    : breakage == Breakage::Truncated ? bytes.str().substr(0, bytes.str().size() / 2)
                                                      : std::string());
        }
    }
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ready());
        ASSERT_FALSE(data.path.empty());
    }

    Environment environment(const std::string& preload, const Environment& more) const {
        Environment env{{"LD_PRELOAD", preload}, {"DISPLAY", x.display}, {"SDL_AUDIODRIVER", "dummy"}};
        env.insert(env.end(), more.begin(), more.end());
        return env;
    }
    Environment stepped(const Environment& more = {}) const {
        Environment env{{"TRAMBLE_FRAME_MS", std::to_string(stepMs)}, {"TRAMBLE_CLIP_UNREAD", "1"}};
        env.insert(env.end(), more.begin(), more.end());
        return environment(captureLibrary(), env);
    }

    XServer x{true};
    ScratchData data;
    const fs::path frameLog = data.path / "frames.txt";
};

// Each exits with status 1 after logging why and stopping the tasks that had started, before the kernel.
struct StartFailure {
    const char* name;
    int display;  // 0: none, 1: an X server without OpenGL, 2: with OpenGL
    const char* audioDriver;
    std::vector<std::string> log;
    int firstStopped;
};

const StartFailure startFailures[] = {
    {"NoDisplay", 0, "dummy", {"        *** Could not initialize video system: "}, 2},
    {"DisplayWithoutOpenGL",
     1,
     "dummy",
     {"        --- Trying to use video setup 'fullscreen (800x600x32)'\n", "            *** Could not setup\n",
      "        *** Could not set video\n", "    +++ Trying to run stop on already stopped task\n"},
     1},
    {"NoAudioDevice", 2, "no-such-driver", {"        *** Could not initialize\n"}, 0},
};

class ProgramStart : public ::testing::TestWithParam<StartFailure> {};

TEST_P(ProgramStart, FailsWithStatusOneAfterStoppingWhatStarted) {
    const StartFailure& failure = GetParam();
    Environment env{{"SDL_AUDIODRIVER", failure.audioDriver}};
    std::unique_ptr<XServer> x;
    if (failure.display > 0) {
        x = std::make_unique<XServer>(failure.display == 2);
        ASSERT_TRUE(x->ready());
        env.emplace_back("DISPLAY", x->display);
    } else {
        env.insert(env.end(), {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", "x11"}});
    }
    ChildProcess demo({trambleBinary()}, env);
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    const std::string output = demo.output();
    EXPECT_EQ(demo.exitCode, 1) << output;
    std::vector<std::string> log = failure.log;
    log.insert(log.end(), stopSequence.begin() + failure.firstStopped, stopSequence.begin() + timerStopped + 1);
    log.push_back(stopSequence.back());
    EXPECT_EQ(missingInOrder(output, log), "") << output;
    EXPECT_EQ(countOccurrences(output, "Stopping kernel") + countOccurrences(output, "Adding scene"), 0) << output;
}

INSTANTIATE_TEST_SUITE_P(EachCause, ProgramStart, ::testing::ValuesIn(startFailures),
                         [](const ::testing::TestParamInfo<StartFailure>& info) { return info.param.name; });

// Textures broken in these ways in turn (any failed load gives the same no-texture), or the image
// directory gone, and the music broken in one way.
struct Damage {
    const char* name;
    std::vector<Breakage> textures;  // empty: the textures are intact
    bool withoutImages;
    Breakage music;
};

const Damage damages[] = {
    {"Nothing", {}, false, Breakage::None},
    {"TexturesUnreadableMusicMissing",
     {Breakage::Missing, Breakage::Empty, Breakage::Garbage},
     false,
     Breakage::Missing},
    {"TexturesCutInHalfMusicEmpty", {Breakage::Truncated}, false, Breakage::Empty},
    {"NoImageDirectoryMusicNotMusic", {}, true, Breakage::Garbage},
};

class DamagedData : public ProgramTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedData, PlaysEverySceneToTheEndLoggingEachFailedFile) {
    const Damage& damage = GetParam();
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(realData / "images")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<Breakage> applied(names.size(), damage.withoutImages ? Breakage::Missing : Breakage::None);
    for (size_t i = 0; !damage.textures.empty() && i < names.size(); ++i) {
        applied[i] = damage.textures[i % damage.textures.size()];
        data.breakFile(fs::path("data/images") / names[i], applied[i]);
    }
    if (damage.withoutImages) {
        fs::remove_all(data.path / "data/images");
    }
    data.breakFile(musicPath, damage.music);
    ChildProcess demo({trambleBinary()}, stepped(), data.path.string());
    expectCleanEnd(demo, playedLog());
    const std::string output = demo.output();
    EXPECT_EQ(countOccurrences(output, "Running state "), allStageLines) << output;

    // Each texture loads once; each unreadable one says so (a cut JPEG still decodes).
    int unreadable = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(countOccurrences(output, "--- Loading texture '" + names[i] + "'\n"), 1) << names[i] << output;
        unreadable += applied[i] != Breakage::None && applied[i] != Breakage::Truncated ? 1 : 0;
    }
    EXPECT_EQ(countOccurrences(output, "*** Image was invalid\n"), unreadable) << output;
    EXPECT_EQ(countOccurrences(output, std::string("*** Could not stream file ") + musicPath + "\n"),
              damage.music == Breakage::None ? 0 : 1)
        << output;
    if (damage.music == Breakage::None) {
        EXPECT_EQ(countOccurrences(output, "*** "), 0) << "errors from intact data\n" << output;
    }
}

INSTANTIATE_TEST_SUITE_P(EachDamage, DamagedData, ::testing::ValuesIn(damages),
                         [](const ::testing::TestParamInfo<Damage>& info) { return info.param.name; });

// Escape or a window close at a random frame of each scene.
class QuitAtRandom : public ProgramTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(QuitAtRandom, StopsEveryTaskAndExitsWithStatusZero) {
    const size_t scene = GetParam();
    // The quit is queued after `frame` and caught in the next pass, at frame + 1.
    std::random_device seed;
    const std::uint64_t frame = std::uniform_int_distribution<std::uint64_t>(
        timeline[scene].start / stepMs + quitMarginFrames, timeline[scene].end() / stepMs - quitMarginFrames)(seed);
    const std::string quitAt = std::to_string(frame) + (scene % 2 == 0 ? ":escape" : ":close");
    SCOPED_TRACE("TRAMBLE_QUIT_AT=" + quitAt + " (clock " + std::to_string((frame + 1) * stepMs) + " ms)");
    ChildProcess demo({trambleBinary()}, stepped({{"TRAMBLE_QUIT_AT", quitAt}}), data.path.string());
    expectCleanEnd(demo, thenStopped({halting}));

    // Before scene k, the middle scenes that came and went, and the start of scene k's.
    const std::string output = demo.output();
    const std::string::size_type halt = output.find(halting);
    const int stageLinesBefore =
        scene == 0 ? 0 : std::min(static_cast<int>(scene) * stageLinesPerScene - 2, allStageLines);
    EXPECT_EQ(countOccurrences(output.substr(0, halt), "Running state "), stageLinesBefore)
        << "the quit did not come in scene " << scene + 1 << "\n"
        << output;
    EXPECT_EQ(countOccurrences(output.substr(halt), "Running state ") + countOccurrences(output, "No scenes left"), 0)
        << output;
}

INSTANTIATE_TEST_SUITE_P(EveryScene, QuitAtRandom, ::testing::Range<size_t>(0, sceneCount),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return "Scene" + std::to_string(info.param + 1);
                         });

struct Frame {
    std::uint64_t clockMs;
    std::uint64_t wallNs;
};

// The capture library's frame log: "frame <n> <clock ms> <wall ns>" lines.
std::vector<Frame> readFrameLog(const fs::path& path) {
    std::vector<Frame> frames;
    std::ifstream in(path);
    std::string word;
    std::uint64_t number = 0;
    Frame frame{};
    while (in >> word) {
        if (word == "frame" && in >> number >> frame.clockMs >> frame.wallNs) {
            frames.push_back(frame);
        }
    }
    return frames;
}

// Stops the whole process `seconds` from now, for stoppedSeconds, and lets it go on.
void stopLater(ChildProcess& demo, double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    demo.signal(SIGSTOP);
    std::this_thread::sleep_for(std::chrono::seconds(stoppedSeconds));
    demo.signal(SIGCONT);
}

TEST_F(ProgramTest, StoppedForFiveSecondsInASceneItCatchesUpAndPlaysToTheEnd) {
    // The capture library runs SDL's clock fast, the music pulled with it, and logs the frames.
    ChildProcess demo({trambleBinary()},
                      environment(captureLibrary(), {{"TRAMBLE_CLOCK_SCALE", stopClockScale},
                                                     {"TRAMBLE_FRAME_MS", "real"},
                                                     {"TRAMBLE_FRAME_LOG", frameLog.string()}}),
                      data.path.string());
    ASSERT_TRUE(demo.waitForOutput(scene2Starting, runSeconds)) << demo.output();
    stopLater(demo, secondsIntoScene2);
    expectCleanEnd(demo, playedLog());

    // The longest gap is the stop; its last frame may have read the clock before it, so the next pass catches up.
    const std::vector<Frame> frames = readFrameLog(frameLog);
    ASSERT_GT(frames.size(), 2u);
    size_t resumed = 1;
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        if (frames[i].wallNs - frames[i - 1].wallNs > frames[resumed].wallNs - frames[resumed - 1].wallNs) {
            resumed = i;
        }
    }
    EXPECT_GE((frames[resumed].wallNs - frames[resumed - 1].wallNs) / nanosecondsPerSecond, stoppedSeconds);
    EXPECT_GE(frames[resumed + 1].clockMs - frames[resumed - 1].clockMs,
              catchUpShare * stoppedSeconds * 1000.0 * std::stod(stopClockScale))
        << "the pass after the stop did not carry the stopped time";
    EXPECT_GE(frames.back().clockMs, timelineEnd);
}

// An output that stops pulling the music 30 s in, yet says it plays: the timeline gives up
// on the music once it has stood still for long enough, and runs to the end on the timer.
TEST_F(ProgramTest, WhenItsOutputHangsItPlaysToTheEndOnTheTimer) {
    ChildProcess demo({trambleBinary()},
                      environment(captureLibrary(), {{"TRAMBLE_CLOCK_SCALE", stopClockScale},
                                                     {"TRAMBLE_FRAME_MS", "real"},
                                                     {"TRAMBLE_AUDIO_HANG_AFTER_MS", "30000"}}),
                      data.path.string());
    expectCleanEnd(demo, playedLog());
    EXPECT_EQ(countOccurrences(demo.output(), "+++ The music stands still at "), 1) << demo.output();
}

// As in `tramble | head -n 3`, but with the pipe closed before the first line: every line
// of the log and of the frame printer fails to write, and the demo plays on regardless.
TEST_F(ProgramTest, WithStandardOutputAPipeNobodyReadsItPlaysToTheEndAndExitsWithStatusZero) {
    ChildProcess demo({trambleBinary()}, stepped({{"TRAMBLE_FRAME_LOG", frameLog.string()}}), data.path.string(),
                      StandardOutput::ClosedPipe);
    expectCleanEnd(demo, {});
    const std::vector<Frame> frames = readFrameLog(frameLog);
    ASSERT_FALSE(frames.empty());
    EXPECT_GE(frames.back().clockMs, timelineEnd);
}

// The music heard at wall-clock `at` (ns), in ms from its first sound: the last buffer handed over
// before `at` has played since then, at the device's rate, up to its end.
double musicHeardMs(const fs::path& path, std::uint64_t at) {
    std::ifstream in(path);
    std::string word;
    double rate = 0.0;
    std::uint64_t sound = 0, handedAt = 0, total = 0, frames = 0;
    std::uint64_t ns = 0, totalThen = 0, framesThen = 0;
    while (in >> word) {
        if (word == "rate") {
            in >> rate;
        } else if (word == "sound") {
            in >> sound;
        } else if (word == "buffer" && in >> ns >> totalThen >> framesThen && ns <= at) {
            handedAt = ns;
            total = totalThen;
            frames = framesThen;
        }
    }
    const double played =
        std::min(static_cast<double>(frames), static_cast<double>(at - handedAt) / nanosecondsPerSecond * rate);
    return (static_cast<double>(total - frames) + played - static_cast<double>(sound)) * 1000.0 / rate;
}

TEST_F(ProgramTest, StoppedForFiveSecondsInRealTimeScene2StillStartsWithItsMusic) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers slow the frames down to where a frame alone is the offset";
#endif
    const fs::path audioLog = data.path / "audio.txt";
    ChildProcess demo({trambleBinary()},
                      environment(captureLibrary(), {{"TRAMBLE_FRAME_MS", "real"},
                                                     {"TRAMBLE_AUDIO_LOG", audioLog.string()},
                                                     {"TRAMBLE_FRAME_LOG", frameLog.string()}}),
                      data.path.string());
    ASSERT_TRUE(demo.waitForOutput("    === Starting demo scene handler\n", runSeconds)) << demo.output();
    stopLater(demo, secondsBeforeStop);
    ASSERT_TRUE(demo.waitForOutput(scene2Starting, runSeconds)) << demo.output();
    // Frames log CLOCK_REALTIME, which the system clock reads.
    const std::uint64_t scene2At =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    demo.signal(SIGTERM);
    expectCleanEnd(demo, thenStopped({halting}));

    // A pass reads the clock as it begins: Scene2 must start in the first pass that begins with its place
    // in the music heard, whatever the frame rate, not one pass early nor late.
    std::vector<std::uint64_t> passStarts;
    for (const Frame& frame : readFrameLog(frameLog)) {
        if (frame.wallNs < scene2At) {
            passStarts.push_back(frame.wallNs);
        }
    }
    ASSERT_GE(passStarts.size(), 2u);
    const double scene2Ms = timeline[1].start;
    const double earlyMs = scene2Ms - musicHeardMs(audioLog, passStarts.back());
    const double lateMs = musicHeardMs(audioLog, passStarts[passStarts.size() - 2]) - scene2Ms;
    std::printf("Scene2 started %.1f ms before its place in the music; the pass before, %.1f ms after it\n", earlyMs,
                lateMs);
    EXPECT_LE(earlyMs, largestOffsetMs);
    EXPECT_LE(lateMs, largestOffsetMs);
}

}  // namespace
}  // namespace Tramble
