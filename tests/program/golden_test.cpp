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
#include <tuple>

#include "engine/image.h"
#include "support/process.h"

namespace Tramble {
namespace {

namespace fs = std::filesystem;

// The clock step as the capture library's fraction: frame n shows n * 1000 / 60 ms.
const std::uint64_t stepNumerator = 1000;
const std::uint64_t stepDenominator = 60;
// A frame matches when at least withinShare of its pixels are within pixelThreshold (0 to
// 255) in every channel and the mean difference over all channels is at most meanLimit. The
// fixed-function back end drew the references; the shader back end redraws the same pictures
// with its own rounding. The run may take runSeconds; the variable set to 1 approves.
const int pixelThreshold = 8;
const bool shaderBackEnd = std::string(TRAMBLE_RENDERER) == "shaders";
const double withinShare = shaderBackEnd ? 0.99 : 0.999;
const double meanLimit = 1.0;
const double runSeconds = 900.0;
const char* const approveVariable = "TRAMBLE_APPROVE_GOLDEN";

// Three instants a scene, each a multiple of 50 ms or a frame's clock (Scene2 starts at frame
// 2701, 45016 ms): rain with "...has an end..."; "T R A M B L E"; wireframe in fog; Scene2's
// first frame (the flash); metaballs; later; the knot under the flash; the stencil window; later;
// trails under the flash; three trails; later; Scene5's three lines of text.
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
    TemporaryDirectory captured;
    ASSERT_TRUE(x.ready());
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
    // A failed frame goes next to CTest's own report.
    const fs::path failures = fs::path(TRAMBLE_BINARY_DIR) / "Testing" / "golden";
    const bool approving = std::getenv(approveVariable) != nullptr && std::string(std::getenv(approveVariable)) == "1";
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
        ASSERT_EQ(std::tie(actual.width, actual.height, actual.bytesPerPixel),
                  std::tie(reference.width, reference.height, reference.bytesPerPixel));
        int within = 0;
        double total = 0.0;
        for (size_t at = 0; at < reference.pixels.size(); at += reference.bytesPerPixel) {
            int worst = 0;
            for (int c = 0; c < reference.bytesPerPixel; ++c) {
                const int difference = std::abs(actual.pixels[at + c] - reference.pixels[at + c]);
                worst = std::max(worst, difference);
                total += difference;
            }
            within += worst <= pixelThreshold ? 1 : 0;
        }
        const int pixels = reference.width * reference.height;
        const double share = static_cast<double>(within) / pixels;
        const double mean = total / static_cast<double>(reference.pixels.size());
        std::printf("%s: mean difference %.3f, %.2f %% of pixels within %d\n", instant, mean, share * 100.0,
                    pixelThreshold);
        if (share < withinShare || mean > meanLimit) {
            fs::create_directories(failures);
            const fs::path kept = failures / (std::string(instant) + "-actual.png");
            fs::copy_file(actualFile, kept, fs::copy_options::overwrite_existing);
            ADD_FAILURE() << "mean difference " << mean << " (at most " << meanLimit << "), " << share * 100.0
                          << " % of pixels within " << pixelThreshold << " (at least " << withinShare * 100.0
                          << " %); frame " << kept << ", reference " << referenceFile;
        }
    }
}

}  // namespace
}  // namespace Tramble
