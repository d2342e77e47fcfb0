// The log's exact line format, level masks, nesting depth, and the rules for unfinished
// messages and outputs that come and go.
#include "engine/logsys.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace Tramble {
namespace {

TEST(LogTest, LinesByLevelMaskAndDepth) {
    const struct {
        const char* name;
        unsigned int mask;
        std::function<void()> write;
        const char* expected;
    } cases[] = {
        {"prefixes and indent", 15,
         [] {
             LOG(Info) << "Starting engine\n";
             logBuf.indent();
             LOG(Error) << "Could not: "
                        << "no"
                        << "\n";
             const LogIndent guard;
             LOG(Warning) << "deeper" << std::endl;
             logBuf.unindent();
         },
         "--- Starting engine\n    *** Could not: no\n        +++ deeper\n"},
        {"mask", Error | Warning,
         [] {
             LOG(Notice) << "scene\n";
             LOG(Error) << "broken\n";
         },
         "*** broken\n"},
        {"two newlines", 15, [] { LOG(Warning) << "first\nsecond\n"; }, "+++ first\n+++ second\n"},
        {"unfinished message", 15,
         [] {
             LOG(Error) << "abc";
             LOG(Notice) << "next\n";
         },
         "*** abc\n+++ Previous message was never ended\n=== next\n"},
        {"a record of no level", 15, [] { logBuf.outputs.back()->write(LogRecord{}, "stray"); }, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        LogOutput output(&out, c.mask, true, false, false);
        c.write();
        EXPECT_EQ(out.str(), c.expected) << c.name;
    }
}

// Outputs that go away, or whose stream is missing or bad, drop out alone.
TEST(LogTest, OutputsComeAndGoAlone) {
    std::ostringstream kept;
    std::ostringstream gone;
    std::ostringstream bad;
    bad.setstate(std::ios::badbit);
    LogOutput stays(&kept, 15, false, false, false);
    LogOutput broken(&bad, 15, false, false, false);
    LogOutput missing(nullptr, 15, false, false, false);
    {
        LogOutput leaves(&gone, 15, false, false, false);
        LOG(Info) << "both\n";
    }
    LOG(Info) << "one\n";
    EXPECT_EQ(kept.str(), "both\none\n");
    EXPECT_EQ(gone.str(), "both\n");
}

}  // namespace
}  // namespace Tramble
