// The log's exact line format, level masks, nesting depth, and unfinished messages.
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
                        << "no\n";
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

}  // namespace
}  // namespace Tramble
