// The real binary from outside: start-up failures exit with status 1; whole runs with
// intact, broken or missing textures and music play every scene in order to the end; a quit
// in each scene, the whole process stopped for five seconds (on a fast clock, and in real
// time, where Scene2 must still start with its music) and standard output a broken pipe all
// end cleanly. Each run plays in a scratch working directory whose data/ links to the real
// files, so that breaking one never touches them.
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
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo/timeline.h"
#include "support/process.h"

namespace Tramble {
namespace {

namespace fs = std::filesystem;

// Whole runs step the capture library's clock by this many ms per frame: a frame per second
// of the demo, and a quit lands on an exact, reproducible frame.
const std::uint64_t stepMs = 1000;
// Frames kept between a scene's edges and a quit, so that it falls inside the scene.
const std::uint64_t quitMarginFrames = 2;
// The stopped run on the fast clock: its speed-up, when in Scene2 the stop comes (real
// seconds after Scene2 starts: 20 s of its timeline) and how long it lasts.
const char* const stopClockScale = "20";
const double secondsIntoScene2 = 1.0;
const int stoppedSeconds = 5;
// The pass after the stop must carry at least this share of the stopped time, sped up.
const double catchUpShare = 0.9;
// The real-time stopped run: real seconds from the handler's start to the stop (inside the
// opening scene), and how far, in ms beyond its frame, Scene2 may start from its place in
// the music.
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

const std::vector<std::string> startSequence{
    "--- Starting engine\n",
    "    --- Starting demo engine\n",
    "    --- Starting kernel\n",
    "    --- Starting timer task\n",
    "    --- Starting input task\n",
    "    --- Starting video task\n",
    "        --- Trying to use video setup 'fullscreen (800x600x32)'\n",
    "        --- Initializing renderer\n",
    "    --- Starting sound task\n",
};
// Every run that gets going ends with this, in order, from the halt on.
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

int count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

// The first needle not found in text in this order from `from` on ("" when all are).
std::string missingInOrder(const std::string& text, const std::vector<std::string>& needles,
                           std::string::size_type from = 0) {
    for (const std::string& needle : needles) {
        from = text.find(needle, from);
        if (from == std::string::npos) {
            return needle;
        }
        from += needle.size();
    }
    return "";
}

std::vector<std::string> concatenated(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

fs::path realData() {
    return fs::path(TRAMBLE_SOURCE_DIR) / "data";
}

std::vector<std::string> textureNames() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(realData() / "images")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

enum class Breakage { None, Missing, Empty, Truncated, Garbage };

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

    void breakFile(const fs::path& relative, Breakage breakage) {
        std::ostringstream bytes;
        bytes << std::ifstream(realData().parent_path() / relative, std::ios::binary).rdbuf();
        if (breakage != Breakage::None) {
            remove(relative);
        }
        if (breakage == Breakage::Empty || breakage == Breakage::Truncated || breakage == Breakage::Garbage) {
            std::ofstream(root / relative, std::ios::binary)
                << (breakage == Breakage::Garbage     ? std::string(garbage)
                    : breakage == Breakage::Truncated ? bytes.str().substr(0, bytes.str().size() / 2)
                                                      : std::string());
        }
    }

    fs::path root;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ready());
        ASSERT_FALSE(data.root.empty());
    }

    Environment environment(const std::string& preload) const {
        return {{"LD_PRELOAD", preload}, {"DISPLAY", x.display}, {"SDL_AUDIODRIVER", "dummy"}};
    }

    // The capture library stepping the clock by stepMs per frame, and drawing no pixels.
    Environment stepped() const {
        Environment env = environment(captureLibrary());
        env.insert(env.end(), {{"TRAMBLE_FRAME_MS", std::to_string(stepMs)}, {"TRAMBLE_CLIP_UNREAD", "1"}});
        return env;
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
    EXPECT_EQ(count(run.output, "No scenes left"), 1) << run.output;
    EXPECT_EQ(missingInOrder(run.output, concatenated({"    === No scenes left, exiting\n"}, stopSequence)), "")
        << run.output;
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

// The start failures: each exits with status 1 after stopping what had started.
struct StartFailure {
    const char* name;
    int display;  // 0: none, 1: an X server without OpenGL, 2: with OpenGL
    const char* audioDriver;
    std::vector<std::string> log;
};

const StartFailure startFailures[] = {
    {"NoDisplay",
     0,
     "dummy",
     {"    --- Starting video task\n",
      "        *** Could not initialize video system: ", "    --- Stopping input task\n", "    --- Stop timer task\n"}},
    {"DisplayWithoutOpenGL",
     1,
     "dummy",
     {"    --- Starting video task\n", "        --- Trying to use video setup 'fullscreen (800x600x32)'\n",
      "            *** Could not setup\n", "        *** Could not set video\n",
      "    +++ Trying to run stop on already stopped task\n", "    --- Stopping video task\n",
      "    --- Stopping input task\n", "    --- Stop timer task\n", "--- Stopping engine\n"}},
    {"NoAudioDevice",
     2,
     "no-such-driver",
     {"    --- Starting sound task\n", "        *** Could not initialize\n", "    --- Stopping sound task\n",
      "    --- Stopping video task\n", "    --- Stopping input task\n", "    --- Stop timer task\n"}},
};

void PrintTo(const StartFailure& failure, std::ostream* out) {
    *out << failure.name;
}

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
    const RunResult run = runProgram({trambleBinary()}, env, runSeconds);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(missingInOrder(run.output, failure.log), "") << run.output;
    EXPECT_EQ(run.output.find("Stopping kernel"), std::string::npos) << "SDL was never started up to the kernel";
    EXPECT_EQ(run.output.find("Adding scene"), std::string::npos) << "no scene exists before the kernel starts";
}

INSTANTIATE_TEST_SUITE_P(EachCause, ProgramStart, ::testing::ValuesIn(startFailures),
                         [](const ::testing::TestParamInfo<StartFailure>& info) { return info.param.name; });

// A whole run with its data damaged: the textures broken in the given ways, taken in turn
// (a failed load gives every texture the same no-texture, so which texture fails how does
// not matter), or the image directory gone, and the music broken in one way; or nothing
// damaged, where the whole log is checked.
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

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

class DamagedData : public ProgramTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedData, PlaysEverySceneToTheEndLoggingEachFailedFile) {
    const Damage& damage = GetParam();
    const std::vector<std::string> names = textureNames();
    std::vector<Breakage> applied(names.size(), damage.withoutImages ? Breakage::Missing : Breakage::None);
    for (size_t i = 0; !damage.textures.empty() && i < names.size(); ++i) {
        applied[i] = damage.textures[i % damage.textures.size()];
        data.breakFile(fs::path("data/images") / names[i], applied[i]);
    }
    if (damage.withoutImages) {
        data.remove("data/images");
    }
    data.breakFile(musicPath, damage.music);
    const RunResult run = runProgram({trambleBinary()}, stepped(), runSeconds, data.root.string());
    expectPlayedToTheEnd(run);

    const std::string musicError = std::string("*** Could not stream file ") + musicPath + "\n";
    EXPECT_EQ(count(run.output, musicError), damage.music == Breakage::None ? 0 : 1) << run.output;
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const std::string::size_type load = run.output.find("--- Loading texture '" + names[i] + "'\n");
        ASSERT_NE(load, std::string::npos) << "never loaded";
        EXPECT_EQ(count(run.output, "--- Loading texture '" + names[i] + "'\n"), 1) << "loaded twice";
        const std::string::size_type error = run.output.find("*** ", load);
        const bool failed = error != std::string::npos && textureLoadingAt(run.output, error) == names[i];
        // The JPEG decoder fills in what a cut file lacks, so half a picture still loads.
        if (applied[i] != Breakage::None && applied[i] != Breakage::Truncated) {
            EXPECT_TRUE(failed) << "no error logged for it\n" << run.output;
        }
    }
    // Every error belongs to the loading of a texture, or is the music's.
    for (auto at = run.output.find("*** "); at != std::string::npos; at = run.output.find("*** ", at + 1)) {
        EXPECT_TRUE(textureLoadingAt(run.output, at) != "" ||
                    run.output.compare(at, musicError.size(), musicError) == 0)
            << "an error of no file: " << run.output.substr(at, run.output.find('\n', at) - at);
    }
    if (!damage.textures.empty() || damage.withoutImages || damage.music != Breakage::None) {
        return;
    }
    // Intact data: the whole log, in order, with each scene's stages as its edge passes.
    std::vector<std::string> log = startSequence;
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
    EXPECT_EQ(missingInOrder(run.output, log), "") << run.output;
    EXPECT_EQ(count(run.output, "*** ") + count(run.output, "+++ "), 0) << run.output;
    EXPECT_GT(count(run.output, "FPS: "), 0);
}

INSTANTIATE_TEST_SUITE_P(EachDamage, DamagedData, ::testing::ValuesIn(damages),
                         [](const ::testing::TestParamInfo<Damage>& info) { return info.param.name; });

// Escape or a window close at a random frame of each scene.
class QuitAtRandom : public ProgramTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(QuitAtRandom, StopsEveryTaskAndExitsWithStatusZero) {
    const size_t scene = GetParam();
    const char* const event = scene % 2 == 0 ? "escape" : "close";
    // The quit is queued after `frame` and caught in the next pass, at frame + 1.
    const std::uint64_t first = timeline[scene].start / stepMs + quitMarginFrames;
    const std::uint64_t last = timeline[scene].end() / stepMs - quitMarginFrames;
    std::random_device seed;
    const std::uint64_t frame = std::uniform_int_distribution<std::uint64_t>(first, last)(seed);
    const std::string quitAt = std::to_string(frame) + ":" + event;
    SCOPED_TRACE("TRAMBLE_QUIT_AT=" + quitAt + " (clock " + std::to_string((frame + 1) * stepMs) + " ms)");
    Environment env = stepped();
    env.emplace_back("TRAMBLE_QUIT_AT", quitAt);
    const RunResult run = runProgram({trambleBinary()}, env, runSeconds, data.root.string());
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(sanitizerReport(run.output), "");

    const std::string::size_type halt = run.output.find("    === Caught quit event, halting\n");
    ASSERT_NE(halt, std::string::npos) << run.output;
    // Before scene k, the middle scenes that came and went, and the start of scene k's.
    const int stageLinesBefore =
        scene == 0 ? 0 : std::min(static_cast<int>(scene) * stageLinesPerScene - 2, allStageLines);
    EXPECT_EQ(count(run.output.substr(0, halt), "Running state "), stageLinesBefore)
        << "the quit did not come in scene " << scene + 1 << "\n"
        << run.output;
    EXPECT_EQ(count(run.output.substr(halt), "Running state "), 0) << run.output;
    EXPECT_EQ(count(run.output, "No scenes left"), 0) << run.output;
    EXPECT_EQ(missingInOrder(run.output, stopSequence, halt), "") << run.output;
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

RunResult finished(ChildProcess& demo) {
    RunResult run;
    run.timedOut = !demo.wait(runSeconds);
    run.exitCode = demo.exitCode;
    run.output = demo.output();
    return run;
}

TEST_F(ProgramTest, StoppedForFiveSecondsInASceneItCatchesUpAndPlaysToTheEnd) {
    // The capture library only logs the frames here: it leaves the fast clock as it is.
    const fs::path frameLog = data.root / "frames.txt";
    Environment env =
        environment(captureLibrary() + ":" + TRAMBLE_BINARY_DIR + "/tools/fastclock/libtramble_fastclock.so");
    env.insert(env.end(), {{"TRAMBLE_CLOCK_SCALE", stopClockScale},
                           {"TRAMBLE_FRAME_MS", "real"},
                           {"TRAMBLE_FRAME_LOG", frameLog.string()}});
    ChildProcess demo({trambleBinary()}, env, data.root.string());
    ASSERT_TRUE(demo.waitForOutput(scene2Starting, runSeconds)) << demo.output();
    stopLater(demo, secondsIntoScene2);
    expectPlayedToTheEnd(finished(demo));

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
    const double gapSeconds = (frames[resumed].wallNs - frames[resumed - 1].wallNs) / nanosecondsPerSecond;
    const std::uint64_t clockJumpMs = frames[resumed + 1].clockMs - frames[resumed - 1].clockMs;
    EXPECT_GE(gapSeconds, stoppedSeconds);
    EXPECT_GE(clockJumpMs, catchUpShare * stoppedSeconds * 1000.0 * std::stod(stopClockScale))
        << "the pass after the stop did not carry the stopped time";
    EXPECT_GE(frames.back().clockMs, timelineEnd);
}

// As in `tramble | head -n 3`, but with the pipe closed before the first line: every line
// of the log and of the frame printer fails to write, and the demo plays on regardless.
TEST_F(ProgramTest, WithStandardOutputAPipeNobodyReadsItPlaysToTheEndAndExitsWithStatusZero) {
    const fs::path frameLog = data.root / "frames.txt";
    Environment env = stepped();
    env.emplace_back("TRAMBLE_FRAME_LOG", frameLog.string());
    ChildProcess demo({trambleBinary()}, env, data.root.string(), StandardOutput::ClosedPipe);
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    EXPECT_EQ(demo.termSignal, 0) << demo.output();
    EXPECT_EQ(demo.exitCode, 0) << demo.output();
    EXPECT_EQ(sanitizerReport(demo.output()), "");
    const std::vector<Frame> frames = readFrameLog(frameLog);
    ASSERT_FALSE(frames.empty());
    EXPECT_GE(frames.back().clockMs, timelineEnd);
}

std::uint64_t wallClockNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec * nanosecondsPerSecond) + static_cast<std::uint64_t>(now.tv_nsec);
}

// The music heard at wall-clock time `at` (ns), in ms from its first sound, from the capture
// library's audio log: the last buffer handed to the device before `at` has been playing
// since, at the device's rate, and stops at its end.
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
    while (demo.output().find(scene2Starting) == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now() - resumed, std::chrono::duration<double>(runSeconds))
            << demo.output();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::uint64_t scene2At = wallClockNanoseconds();
    demo.signal(SIGTERM);
    const RunResult run = finished(demo);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(missingInOrder(run.output, concatenated({"    === Caught quit event, halting\n"}, stopSequence)), "")
        << run.output;

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
