// The log's exact line format, level masks, nesting depth, and the rules for unfinished
// messages and outputs that come and go.
#include "engine/logsys.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <sstream>

namespace Tramble {
namespace {

// Leaves the global depth as it was, whatever a test did to it.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedDepth = logBuf.current.depth;
        logBuf.current.depth = 0;
    }
    void TearDown() override {
        logBuf.current.depth = savedDepth;
        logBuf.message.clear();
    }
    int savedDepth = 0;
};

TEST_F(LogTest, LinesCarryIndentAndLevelPrefix) {
    std::ostringstream out;
    LogOutput output(&out, 15, true, false, false);
    LOG(Info) << "Starting engine\n";
    logBuf.indent();
    LOG(Error) << "Could not initialize SDL: "
               << "no"
               << "\n";
    logBuf.indent();
    LOG(Warning) << "Trying to run stop on already stopped task" << std::endl;
    logBuf.unindent();
    LOG(Notice) << "Caught quit event, halting\n";
    logBuf.unindent();
    EXPECT_EQ(out.str(),
              "--- Starting engine\n"
              "    *** Could not initialize SDL: no\n"
              "        +++ Trying to run stop on already stopped task\n"
              "    === Caught quit event, halting\n");
}

TEST_F(LogTest, IndentGuardUndoesItsStep) {
    std::ostringstream out;
    LogOutput output(&out, 15, true, false, false);
    {
        LogIndent guard;
        LOG(Info) << "inner\n";
    }
    LOG(Info) << "outer\n";
    EXPECT_EQ(out.str(), "    --- inner\n--- outer\n");
}

TEST_F(LogTest, MaskFiltersByLevelBit) {
    std::ostringstream quiet;
    std::ostringstream all;
    LogOutput errorsAndWarnings(&quiet, 7, true, false, false);
    LogOutput everything(&all, 15, false, false, false);
    LOG(Notice) << "scene change\n";
    LOG(Error) << "broken\n";
    EXPECT_EQ(quiet.str(), "*** broken\n");
    EXPECT_EQ(all.str(), "scene change\nbroken\n");
}

TEST_F(LogTest, TimeAndOriginFramedAsDocumented) {
    std::ostringstream out;
    LogOutput output(&out, 15, true, true, true);
    logBuf.indent();
    logBuf.indent();
    logBuf.setup(LogOrg("kernelsys.cpp", 42, "bool Tramble::Kernel::start()"), Info);
    logStream << "Starting kernel\n";
    const std::string line = out.str();
    ASSERT_EQ(line.size(), 11u + 8 + 19 + 54 + 1) << line;
    EXPECT_EQ(line[0], '[');
    for (int at : {1, 2, 4, 5, 7, 8}) {
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(line[at]))) << line;
    }
    EXPECT_EQ(line.substr(3, 1) + line.substr(6, 1), "::");
    EXPECT_EQ(line.substr(9), "]         --- Starting kernel (kernelsys.cpp : 42 -> bool Tramble::Kernel::start())\n");
}

TEST_F(LogTest, StatementCapturesCallSite) {
    std::ostringstream out;
    LogOutput output(&out, 15, false, false, true);
    const int line = __LINE__ + 1;
    LOG(Info) << "here\n";
    EXPECT_NE(out.str().find(std::string(__FILE__) + " : " + std::to_string(line) + " -> "), std::string::npos);
    EXPECT_NE(out.str().find("StatementCapturesCallSite"), std::string::npos);
}

TEST_F(LogTest, UnfinishedMessageFlushedBeforeWarning) {
    std::ostringstream out;
    LogOutput output(&out, 15, true, false, false);
    LOG(Error) << "abc";
    LOG(Info) << "next\n";
    EXPECT_EQ(out.str(), "*** abc\n+++ Previous message was never ended\n--- next\n");
}

TEST_F(LogTest, TwoNewlinesMakeTwoLinesOfOneLevel) {
    std::ostringstream out;
    LogOutput output(&out, 15, true, false, false);
    LOG(Warning) << "first\nsecond\n";
    EXPECT_EQ(out.str(), "+++ first\n+++ second\n");
}

TEST_F(LogTest, NoOutputsDropsMessageAndEmptiesBuffer) {
    const auto saved = logBuf.outputs;
    logBuf.outputs.clear();
    LOG(Info) << "nobody hears this\n";
    EXPECT_TRUE(logBuf.message.empty());
    logBuf.outputs = saved;
}

TEST_F(LogTest, DestroyedOutputStopsReceivingOthersGoOn) {
    std::ostringstream kept;
    std::ostringstream gone;
    LogOutput stays(&kept, 15, false, false, false);
    {
        LogOutput leaves(&gone, 15, false, false, false);
        LOG(Info) << "both\n";
    }
    LOG(Info) << "one\n";
    EXPECT_EQ(kept.str(), "both\none\n");
    EXPECT_EQ(gone.str(), "both\n");
}

TEST_F(LogTest, BadOrMissingStreamDropsOnlyThatOutput) {
    std::ostringstream good;
    std::ostringstream bad;
    bad.setstate(std::ios::badbit);
    LogOutput healthy(&good, 15, false, false, false);
    LogOutput broken(&bad, 15, false, false, false);
    LogOutput missing(nullptr, 15, false, false, false);
    LOG(Info) << "still here\n";
    EXPECT_EQ(good.str(), "still here\n");
}

}  // namespace
}  // namespace Tramble
