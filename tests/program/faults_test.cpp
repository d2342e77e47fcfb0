// Faults on the real binary: broken textures and music, a quit at a random instant of every
// scene, the whole process stopped for five seconds, on the fast clock and in real time,
// where the next scene must still start with its music, and standard output a broken pipe.
// Each run plays in a scratch working directory whose data/ links to the real files, so
// that breaking one never touches them.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace Tramble {
namespace {

namespace fs = std::filesystem;

// The broken-file runs play the whole demo on the fastclock library at this speed-up:
// 205 s of timeline in about five real seconds.
const char* const fastClockScale = "40";
// The quit runs step the capture library's clock by this many ms per frame, so a scene of
// 40 s is 80 frames and the quit lands on an exact, reproducible frame.
const std::uint64_t quitStepMs = 500;
// Frames kept between a scene's edges and the quit, so that it falls inside the scene.
const std::uint64_t quitMarginFrames = 2;
// The stopped run: its clock speed-up, when in Scene2 the stop comes (real seconds after
// Scene2 starts: 20 s of its timeline) and how long it lasts.
const int stopClockScale = 10;
const double secondsIntoScene2 = 2.0;
const int stoppedSeconds = 5;
// The pass after the stop must carry at least this share of the stopped time, sped up.
const double catchUpShare = 0.9;
// The real-time stopped run: real seconds from the handler's start to the stop (inside
// Scene1), and how far, in ms beyond its frame, Scene2 may start from its place in the music.
const double secondsBeforeStop = 20.0;
const double largestOffsetMs = 50.0;
const double millisecondsPerSecond = 1000.0;
const std::uint64_t nanosecondsPerSecond = 1000000000;
// Real seconds a run may take before the test calls it a hang.
const double runSeconds = 300.0;
const char* const musicPath = "data/sounds/tramble.mp3";

// The timeline's scene boundaries in ms: scene k runs from sceneEdges[k-1] to sceneEdges[k].
const std::uint64_t sceneEdges[] = {0, 45000, 85000, 125000, 165000, 205000};
// "Running state" lines logged before scene k starts: the three middle scenes log two as
// they start and two as they stop.
const int stageLinesBefore[] = {0, 2, 6, 10, 12};
const int allStageLines = 12;

// The stop sequence that every run ends with, in order, from the halt on.
const std::vector<std::string> stopSequence{
    "    --- Stopping sound task\n",
    "    --- Stopping video task\n",
    "    --- Stopping input task\n",
    "    --- Stop timer task\n",
    "        === Stopping demo scene handler\n",
    "        --- Dropping resource 'back.jpg'\n",
    "        --- Dropping resource 'particle.jpg'\n",
    "    --- Stopping kernel\n",
    "--- Stopping engine\n",
};

std::string fastclockLibrary() {
    return std::string(TRAMBLE_BINARY_DIR) + "/tools/fastclock/libtramble_fastclock.so";
}

fs::path realData() {
    return fs::path(TRAMBLE_SOURCE_DIR) / "data";
}

int count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

// True when every needle appears in text, in this order, from `from` on.
bool inOrder(const std::string& text, const std::vector<std::string>& needles, std::string::size_type from = 0) {
    for (const std::string& needle : needles) {
        from = text.find(needle, from);
        if (from == std::string::npos) {
            return false;
        }
        from += needle.size();
    }
    return true;
}

// A scratch working directory with data/ mirroring the real one through symbolic links.
class ScratchData {
public:
    ScratchData() {
        char name[] = "/tmp/tramble-faults-XXXXXX";
        root = mkdtemp(name) != nullptr ? name : "";
        for (const char* directory : {"images", "sounds"}) {
            fs::create_directories(root / "data" / directory);
            for (const fs::directory_entry& entry : fs::directory_iterator(realData() / directory)) {
                fs::create_symlink(entry.path(), root / "data" / directory / entry.path().filename());
            }
        }
    }
    ~ScratchData() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    ScratchData(const ScratchData&) = delete;
    ScratchData& operator=(const ScratchData&) = delete;

    void remove(const fs::path& relative) { fs::remove_all(root / relative); }

    // Replaces the link with a file of the given bytes.
    void write(const fs::path& relative, const std::string& bytes) {
        remove(relative);
        std::ofstream(root / relative, std::ios::binary) << bytes;
    }

    // Replaces the link with the first half of the real file.
    void truncate(const fs::path& relative) {
        std::ifstream in(realData().parent_path() / relative, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        write(relative, bytes.str().substr(0, bytes.str().size() / 2));
    }

    fs::path root;
};

std::vector<std::string> textureNames() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(realData() / "images")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ProgramFault : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ready());
        ASSERT_FALSE(data.root.empty());
    }

    Environment environment(const std::string& preload) const {
        return {{"LD_PRELOAD", preload}, {"DISPLAY", x.display}, {"SDL_AUDIODRIVER", "dummy"}};
    }

    // The whole demo on the fast clock, in the scratch directory.
    RunResult playFast() const {
        Environment env = environment(fastclockLibrary());
        env.emplace_back("TRAMBLE_CLOCK_SCALE", fastClockScale);
        return runProgram({trambleBinary()}, env, runSeconds, data.root.string());
    }

    XServer x{true};
    ScratchData data;
};

// A run that played to the end of the timeline and stopped everything cleanly.
void expectPlayedToTheEnd(const RunResult& run) {
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(sanitizerReport(run.output), "");
    EXPECT_EQ(count(run.output, "Running state "), allStageLines) << run.output;
    EXPECT_EQ(count(run.output, "    === No scenes left, exiting\n"), 1) << run.output;
    std::vector<std::string> ending{"    === No scenes left, exiting\n"};
    ending.insert(ending.end(), stopSequence.begin(), stopSequence.end());
    EXPECT_TRUE(inOrder(run.output, ending)) << run.output;
}

// The texture whose loading an output position falls in ("" for none): the last texture
// load begun before it, unless a later resource fetch has begun since.
std::string textureLoadingAt(const std::string& output, std::string::size_type at) {
    const std::string loading = "--- Loading texture '";
    const std::string::size_type load = output.rfind(loading, at);
    const std::string::size_type fetch = output.rfind("--- Fetching resource '", at);
    if (load == std::string::npos || (fetch != std::string::npos && fetch > load)) {
        return "";
    }
    const std::string::size_type nameStart = load + loading.size();
    return output.substr(nameStart, output.find('\'', nameStart) - nameStart);
}

enum class Breakage { Missing, Empty, Truncated, Garbage };
const Breakage breakages[] = {Breakage::Missing, Breakage::Empty, Breakage::Truncated, Breakage::Garbage};
const char* const breakageNames[] = {"missing", "empty", "truncated", "text instead of the data"};
const char* const garbage = "These bytes are text: neither a JPEG picture nor MP3 music.\n";

void PrintTo(Breakage breakage, std::ostream* out) {
    *out << breakageNames[static_cast<int>(breakage)];
}

void breakFile(ScratchData& data, const fs::path& relative, Breakage breakage) {
    switch (breakage) {
        case Breakage::Missing: data.remove(relative); break;
        case Breakage::Empty: data.write(relative, ""); break;
        case Breakage::Truncated: data.truncate(relative); break;
        case Breakage::Garbage: data.write(relative, garbage); break;
    }
}

// Every texture broken at once, each in one of the four ways; the four rotations give every
// texture every kind of breakage once.
class BrokenTextures : public ProgramFault, public ::testing::WithParamInterface<int> {};

TEST_P(BrokenTextures, PlayToTheEndUntexturedAndLogEachFailedTexture) {
    const std::vector<std::string> names = textureNames();
    std::vector<Breakage> applied;
    for (size_t i = 0; i < names.size(); ++i) {
        applied.push_back(breakages[(i + GetParam()) % std::size(breakages)]);
        breakFile(data, fs::path("data/images") / names[i], applied.back());
    }
    const RunResult run = playFast();
    expectPlayedToTheEnd(run);

    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i] + " " + breakageNames[static_cast<int>(applied[i])]);
        const std::string::size_type load = run.output.find("--- Loading texture '" + names[i] + "'");
        ASSERT_NE(load, std::string::npos) << "never loaded";
        const std::string::size_type error = run.output.find("*** ", load);
        const bool failed = error != std::string::npos && textureLoadingAt(run.output, error) == names[i];
        // The JPEG decoder fills in what a cut file lacks, so half a picture still loads.
        if (applied[i] != Breakage::Truncated) {
            EXPECT_TRUE(failed) << "no error logged for it\n" << run.output;
        }
    }
    // Every error belongs to the loading of a texture.
    for (auto at = run.output.find("*** "); at != std::string::npos; at = run.output.find("*** ", at + 1)) {
        EXPECT_NE(textureLoadingAt(run.output, at), "")
            << "an error outside texture loading: " << run.output.substr(at, run.output.find('\n', at) - at);
    }
}

INSTANTIATE_TEST_SUITE_P(FourRotations, BrokenTextures, ::testing::Values(0, 1, 2, 3));

TEST_F(ProgramFault, WithoutTheImageDirectoryEveryTextureFailsAndTheDemoPlaysToTheEnd) {
    data.remove("data/images");
    const RunResult run = playFast();
    expectPlayedToTheEnd(run);
    for (const std::string& name : textureNames()) {
        EXPECT_TRUE(inOrder(run.output, {"--- Loading texture '" + name + "'\n", "*** "})) << name;
    }
    EXPECT_EQ(count(run.output, "--- Loading texture '"), static_cast<int>(textureNames().size()));
}

// The music broken in each way: the error is logged once and the demo plays silently.
class BrokenMusic : public ProgramFault, public ::testing::WithParamInterface<Breakage> {};

TEST_P(BrokenMusic, IsLoggedAndTheDemoPlaysSilentlyToTheEnd) {
    breakFile(data, musicPath, GetParam());
    const RunResult run = playFast();
    expectPlayedToTheEnd(run);
    EXPECT_EQ(count(run.output, std::string("*** Could not stream file ") + musicPath + "\n"), 1) << run.output;
    EXPECT_EQ(count(run.output, "*** "), 1) << run.output;
}

INSTANTIATE_TEST_SUITE_P(EachBreakage, BrokenMusic,
                         ::testing::Values(Breakage::Missing, Breakage::Empty, Breakage::Garbage),
                         [](const ::testing::TestParamInfo<Breakage>& info) {
                             return std::string(info.param == Breakage::Missing ? "Missing"
                                                : info.param == Breakage::Empty ? "Empty"
                                                                                : "NotMusic");
                         });

// Escape or a window close at a random frame of scene k (1 to 5).
struct QuitCase {
    int scene;
    const char* event;
};

void PrintTo(const QuitCase& quit, std::ostream* out) {
    *out << quit.event << " in scene " << quit.scene;
}

class QuitAtRandom : public ProgramFault, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(QuitAtRandom, StopsEveryTaskAndExitsWithStatusZero) {
    const QuitCase& quit = GetParam();
    // The quit is queued after `frame` and caught in the next pass, at frame + 1.
    const std::uint64_t first = sceneEdges[quit.scene - 1] / quitStepMs + quitMarginFrames;
    const std::uint64_t last = sceneEdges[quit.scene] / quitStepMs - quitMarginFrames;
    std::random_device seed;
    const std::uint64_t frame = std::uniform_int_distribution<std::uint64_t>(first, last)(seed);
    const std::string quitAt = std::to_string(frame) + ":" + quit.event;
    SCOPED_TRACE("TRAMBLE_QUIT_AT=" + quitAt + " (clock " + std::to_string((frame + 1) * quitStepMs) + " ms)");

    Environment env = environment(captureLibrary());
    env.insert(
        env.end(),
        {{"TRAMBLE_FRAME_MS", std::to_string(quitStepMs)}, {"TRAMBLE_QUIT_AT", quitAt}, {"TRAMBLE_CLIP_UNREAD", "1"}});
    const RunResult run = runProgram({trambleBinary()}, env, runSeconds, data.root.string());
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(sanitizerReport(run.output), "");

    const std::string caught = "    === Caught quit event, halting\n";
    const std::string::size_type halt = run.output.find(caught);
    ASSERT_NE(halt, std::string::npos) << run.output;
    EXPECT_EQ(count(run.output.substr(0, halt), "Running state "), stageLinesBefore[quit.scene - 1])
        << "the quit did not come in scene " << quit.scene << "\n"
        << run.output;
    EXPECT_EQ(count(run.output.substr(halt), "Running state "), 0) << run.output;
    EXPECT_EQ(count(run.output, "No scenes left"), 0) << run.output;
    EXPECT_TRUE(inOrder(run.output, stopSequence, halt)) << run.output;
}

INSTANTIATE_TEST_SUITE_P(EveryScene, QuitAtRandom,
                         ::testing::Values(QuitCase{1, "escape"}, QuitCase{1, "close"}, QuitCase{2, "escape"},
                                           QuitCase{2, "close"}, QuitCase{3, "escape"}, QuitCase{3, "close"},
                                           QuitCase{4, "escape"}, QuitCase{4, "close"}, QuitCase{5, "escape"},
                                           QuitCase{5, "close"}),
                         [](const ::testing::TestParamInfo<QuitCase>& info) {
                             return "Scene" + std::to_string(info.param.scene) + "_" + info.param.event;
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

TEST_F(ProgramFault, StoppedForFiveSecondsInASceneItCatchesUpAndPlaysToTheEnd) {
    // The capture library only logs the frames here: it leaves the fast clock as it is.
    const fs::path frameLog = data.root / "frames.txt";
    Environment env = environment(captureLibrary() + ":" + fastclockLibrary());
    env.insert(env.end(), {{"TRAMBLE_CLOCK_SCALE", std::to_string(stopClockScale)},
                           {"TRAMBLE_FRAME_MS", "real"},
                           {"TRAMBLE_FRAME_LOG", frameLog.string()}});
    ChildProcess demo({trambleBinary()}, env, data.root.string());
    ASSERT_TRUE(demo.waitForOutput("    === Running state 3 during length 40000\n", runSeconds)) << demo.output();
    stopLater(demo, secondsIntoScene2);
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    RunResult run;
    run.exitCode = demo.exitCode;
    run.output = demo.output();
    expectPlayedToTheEnd(run);

    // The longest gap between two frames is the stop. The frame that ends it may have read
    // the clock before the stop, so the pass after it carries the stopped time.
    const std::vector<Frame> frames = readFrameLog(frameLog);
    ASSERT_GT(frames.size(), 2u);
    size_t resumed = 1;
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        if (frames[i].wallNs - frames[i - 1].wallNs > frames[resumed].wallNs - frames[resumed - 1].wallNs) {
            resumed = i;
        }
    }
    const double gapSeconds = (frames[resumed].wallNs - frames[resumed - 1].wallNs) * 1e-9;
    const std::uint64_t clockJumpMs = frames[resumed + 1].clockMs - frames[resumed - 1].clockMs;
    std::printf("stopped for %.2f s; the passes around it carried %llu ms of timeline\n", gapSeconds,
                static_cast<unsigned long long>(clockJumpMs));
    EXPECT_GE(gapSeconds, stoppedSeconds);
    EXPECT_GE(clockJumpMs, catchUpShare * stoppedSeconds * 1000.0 * stopClockScale)
        << "the pass after the stop did not carry the stopped time";
    EXPECT_GE(frames.back().clockMs, sceneEdges[std::size(sceneEdges) - 1]);
}

// As in `tramble | head -n 3`, but with the pipe closed before the first line: every line
// of the log and of the frame printer fails to write, and the demo plays on regardless.
TEST_F(ProgramFault, WithStandardOutputAPipeNobodyReadsItPlaysToTheEndAndExitsWithStatusZero) {
    const fs::path frameLog = data.root / "frames.txt";
    Environment env = environment(captureLibrary());
    env.insert(env.end(), {{"TRAMBLE_FRAME_MS", std::to_string(quitStepMs)},
                           {"TRAMBLE_FRAME_LOG", frameLog.string()},
                           {"TRAMBLE_CLIP_UNREAD", "1"}});
    ChildProcess demo({trambleBinary()}, env, data.root.string(), StandardOutput::ClosedPipe);
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    EXPECT_EQ(demo.termSignal, 0) << demo.output();
    EXPECT_EQ(demo.exitCode, 0) << demo.output();
    EXPECT_EQ(sanitizerReport(demo.output()), "");
    const std::vector<Frame> frames = readFrameLog(frameLog);
    ASSERT_FALSE(frames.empty());
    EXPECT_GE(frames.back().clockMs, sceneEdges[std::size(sceneEdges) - 1]);
}

std::uint64_t wallClockNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * nanosecondsPerSecond + static_cast<std::uint64_t>(now.tv_nsec);
}

// The music heard at wall-clock time `at` (ns), in ms from its first sound, from the capture
// library's audio log: the last buffer handed to the device before `at` has been playing
// since, at the device's rate, and stops at its end.
double musicHeardMs(const fs::path& path, std::uint64_t at) {
    std::ifstream in(path);
    std::string word;
    double rate = 0.0;
    std::uint64_t sound = 0;
    std::uint64_t handedAt = 0;
    std::uint64_t total = 0;
    std::uint64_t frames = 0;
    std::uint64_t ns = 0;
    std::uint64_t totalThen = 0;
    std::uint64_t framesThen = 0;
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
    return (static_cast<double>(total - frames) + played - static_cast<double>(sound)) * millisecondsPerSecond / rate;
}

TEST_F(ProgramFault, StoppedForFiveSecondsInRealTimeScene2StillStartsWithItsMusic) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers slow the frames down to where a frame alone is the offset";
#endif
    const fs::path audioLog = data.root / "audio.txt";
    const fs::path frameLog = data.root / "frames.txt";
    Environment env = environment(captureLibrary());
    env.insert(env.end(), {{"TRAMBLE_FRAME_MS", "real"},
                           {"TRAMBLE_AUDIO_LOG", audioLog.string()},
                           {"TRAMBLE_FRAME_LOG", frameLog.string()}});
    ChildProcess demo({trambleBinary()}, env, data.root.string());
    ASSERT_TRUE(demo.waitForOutput("    === Starting demo scene handler\n", runSeconds)) << demo.output();
    stopLater(demo, secondsBeforeStop);
    // Looked for every millisecond, so that the time it is seen is the time it was logged.
    const auto resumed = std::chrono::steady_clock::now();
    while (demo.output().find("    === Running state 1 during length 0\n") == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now() - resumed, std::chrono::duration<double>(runSeconds))
            << demo.output();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::uint64_t scene2At = wallClockNanoseconds();
    demo.signal(SIGTERM);
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    EXPECT_EQ(demo.exitCode, 0) << demo.output();
    std::vector<std::string> ending{"    === Caught quit event, halting\n"};
    ending.insert(ending.end(), stopSequence.begin(), stopSequence.end());
    EXPECT_TRUE(inOrder(demo.output(), ending)) << demo.output();

    // A pass reads the clock as it begins, right after the frame before it is shown. Scene2
    // must start in the pass that first begins with its place in the music heard, whatever
    // the frame rate: not one pass early, and not one pass late.
    std::vector<std::uint64_t> passStarts;
    for (const Frame& frame : readFrameLog(frameLog)) {
        if (frame.wallNs < scene2At) {
            passStarts.push_back(frame.wallNs);
        }
    }
    ASSERT_GE(passStarts.size(), 2u);
    const double scene2Ms = static_cast<double>(sceneEdges[1]);
    const double earlyMs = scene2Ms - musicHeardMs(audioLog, passStarts.back());
    const double lateMs = musicHeardMs(audioLog, passStarts[passStarts.size() - 2]) - scene2Ms;
    std::printf("Scene2 started %.1f ms before its place in the music; the pass before, %.1f ms after it\n", earlyMs,
                lateMs);
    EXPECT_LE(earlyMs, largestOffsetMs);
    EXPECT_LE(lateMs, largestOffsetMs);
}

}  // namespace
}  // namespace Tramble
