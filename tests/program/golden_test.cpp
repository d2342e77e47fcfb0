// The demo's picture, frame-exact: one run of the real binary on a fixed clock of 1000/60 ms
// per frame captures fifteen instants, three per scene with the first frame of Scene2 among
// them, and compares each with its approved reference in tests/golden/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
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

// Timeline instants, each a multiple of 50 ms or the clock of a frame (Scene2 starts in the
// pass that carries the clock across 45000 ms: frame 2701 at 45016 ms), three a scene:
// Scene1: rain with "...has an end..." fading in; "T R A M B L E" fading in; wireframe in fog.
// Scene2: its first frame, the white flash; metaballs in the particle cloud; later.
// Scene3: the knot under the fading flash; through the stencil window; later.
// Scene4: the trails under the fading flash; three particle trails; later.
// Scene5: "You have seen, or not..."; "but we wanted to release something"; "(Notice, no big
// ending! :-))".
const std::uint64_t instantsMs[] = {10000,  30000,  42000,  45016,  55000,  75000,  86000, 100000,
                                    118000, 126500, 140000, 160000, 167000, 183500, 199000};
const size_t instantsPerScene = 3;

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
    for (const std::uint64_t ms : instantsMs) {
        frames += (frames.empty() ? "" : ",") + std::to_string(frameAt(ms));
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
    for (size_t i = 0; i < std::size(instantsMs); ++i) {
        char frame[32], instant[32];
        std::snprintf(frame, sizeof frame, "frame-%06llu.png", static_cast<unsigned long long>(frameAt(instantsMs[i])));
        std::snprintf(instant, sizeof instant, "scene%zu-%06llums", i / instantsPerScene + 1,
                      static_cast<unsigned long long>(instantsMs[i]));
        SCOPED_TRACE(instant);
        const fs::path actualFile = captured.path / frame;
        const fs::path referenceFile = references / (std::string(instant) + ".png");
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
            const fs::path kept = failures / (std::string(instant) + "-actual.png");
            fs::copy_file(actualFile, kept, fs::copy_options::overwrite_existing);
            ADD_FAILURE() << differing << " of " << pixels << " pixels differ by more than " << pixelThreshold
                          << " (at most " << allowedShare * pixels << " may); frame " << kept << ", reference "
                          << referenceFile;
        }
    }
}

}  // namespace
}  // namespace Tramble
