// The demo's picture, frame-exact: one run of the real binary on a fixed clock of 1000/60 ms
// per frame captures fifteen instants, three per scene with the first frame of Scene2 among
// them, and compares each with its approved reference in tests/golden/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/image.h"
#include "support/process.h"

namespace Tramble {
namespace {

namespace fs = std::filesystem;

// The clock step, as the fraction the capture library takes: frame n shows the timeline at
// n * 1000 / 60 ms, so 50 ms of timeline are exactly three frames.
const std::uint64_t stepNumerator = 1000;
const std::uint64_t stepDenominator = 60;
// A pixel differs when one of its channels is off by more than this (0 to 255).
const int pixelThreshold = 8;
// The share of differing pixels a frame may have and still match its reference.
const double allowedShare = 0.001;
// Real seconds the captured run may take before the test calls it a hang.
const double runSeconds = 900.0;
// Setting this variable to 1 makes the test write its frames as the new references.
const char* const approveVariable = "TRAMBLE_APPROVE_GOLDEN";
const int bytesPerPixel = 3;

struct Instant {
    const char* name;
    std::uint64_t ms;
};

// Timeline instants, each a multiple of 50 ms or the clock of a frame: Scene2 starts in the
// pass that carries the clock across 45000 ms, which is frame 2701 at 45016 ms.
const Instant instants[] = {
    {"scene1-010000ms", 10000},   // water, rain, "...has an end..." fading in
    {"scene1-030000ms", 30000},   // "T R A M B L E" fading in
    {"scene1-042000ms", 42000},   // the wireframe overlay and the thickening fog
    {"scene2-045016ms", 45016},   // the first frame of Scene2: its white flash
    {"scene2-055000ms", 55000},   // metaballs in the particle cloud
    {"scene2-075000ms", 75000},   // metaballs, later
    {"scene3-086000ms", 86000},   // the knot under the fading flash
    {"scene3-100000ms", 100000},  // the knot through the stencil window
    {"scene3-118000ms", 118000},  // the knot, later
    {"scene4-126500ms", 126500},  // the trails under the fading flash
    {"scene4-140000ms", 140000},  // three particle trails
    {"scene4-160000ms", 160000},  // the trails, later
    {"scene5-167000ms", 167000},  // "You have seen, or not..."
    {"scene5-183500ms", 183500},  // "but we wanted to release something"
    {"scene5-199000ms", 199000},  // "(Notice, no big ending! :-))"
};

std::uint64_t frameAt(std::uint64_t ms) {
    return (ms * stepDenominator + stepNumerator - 1) / stepNumerator;
}

TEST(GoldenFrames, FifteenInstantsMatchTheirApprovedReferences) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "pixels do not change under the sanitizers; the normal build compares them";
#endif
    XServer x(true);
    ASSERT_TRUE(x.ready());
    TemporaryDirectory captured;
    ASSERT_FALSE(captured.path.empty());
    std::string frames;
    for (const Instant& instant : instants) {
        frames += (frames.empty() ? "" : ",") + std::to_string(frameAt(instant.ms));
    }
    ChildProcess demo({trambleBinary()},
                      {{"LD_PRELOAD", captureLibrary()},
                       {"DISPLAY", x.display},
                       {"SDL_AUDIODRIVER", "dummy"},
                       {"TRAMBLE_FRAME_MS", std::to_string(stepNumerator) + "/" + std::to_string(stepDenominator)},
                       {"TRAMBLE_CAPTURE_FRAMES", frames},
                       {"TRAMBLE_CAPTURE_DIR", captured.path.string()},
                       {"TRAMBLE_CLIP_UNREAD", "1"}});
    ASSERT_TRUE(demo.wait(runSeconds)) << demo.output();
    ASSERT_EQ(demo.exitCode, 0) << demo.output();

    const fs::path references = fs::path(TRAMBLE_SOURCE_DIR) / "tests" / "golden";
    // Next to CTest's own report, so that a failed run leaves its evidence where its log is.
    const fs::path failures = fs::path(TRAMBLE_BINARY_DIR) / "Testing" / "golden";
    const char* approve = std::getenv(approveVariable);
    const bool approving = approve != nullptr && std::string(approve) == "1";
    for (const Instant& instant : instants) {
        SCOPED_TRACE(instant.name);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06llu.png", static_cast<unsigned long long>(frameAt(instant.ms)));
        const fs::path actualFile = captured.path / name;
        const fs::path referenceFile = references / (std::string(instant.name) + ".png");
        if (approving) {
            fs::create_directories(references);
            fs::copy_file(actualFile, referenceFile, fs::copy_options::overwrite_existing);
            std::printf("approved %s\n", referenceFile.c_str());
            continue;
        }
        const Image actual(actualFile.string());
        const Image reference(referenceFile.string());
        ASSERT_TRUE(actual.valid) << "not captured: " << actualFile;
        ASSERT_TRUE(reference.valid) << "no reference " << referenceFile << ": run tools/approve-golden.sh";
        ASSERT_EQ(actual.width, reference.width);
        ASSERT_EQ(actual.height, reference.height);
        ASSERT_EQ(actual.bytesPerPixel, reference.bytesPerPixel);

        // Pixels with a channel off by more than pixelThreshold.
        int differing = 0;
        for (size_t at = 0; at < reference.pixels.size(); at += bytesPerPixel) {
            int worst = 0;
            for (int c = 0; c < bytesPerPixel; ++c) {
                worst = std::max(worst, std::abs(actual.pixels[at + c] - reference.pixels[at + c]));
            }
            differing += worst > pixelThreshold ? 1 : 0;
        }
        const int pixels = reference.width * reference.height;
        if (differing > allowedShare * pixels) {
            fs::create_directories(failures);
            const fs::path kept = failures / (std::string(instant.name) + "-actual.png");
            fs::copy_file(actualFile, kept, fs::copy_options::overwrite_existing);
            ADD_FAILURE() << differing << " of " << pixels << " pixels differ by more than " << pixelThreshold
                          << " (at most " << allowedShare * pixels << " may); frame " << kept << ", reference "
                          << referenceFile;
        }
    }
}

}  // namespace
}  // namespace Tramble
