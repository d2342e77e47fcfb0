// A log output into a string, so tests can assert on the exact lines the engine writes, and
// the occurrence count every test that reads a log or a program's output uses.
#pragma once

#include <sstream>
#include <string>

#include "engine/logsys.h"

namespace Tramble {

// How often needle occurs in text, overlapping occurrences included.
int countOccurrences(const std::string& text, const std::string& needle);

class LogCapture {
public:
    // Same format as the engine's standard output: level prefixes, no time, no origin.
    LogCapture() : output(&text, Error | Warning | Info | Notice, true, false, false) {}

    std::string str() const { return text.str(); }
    bool contains(const std::string& needle) const { return str().find(needle) != std::string::npos; }
    int count(const std::string& needle) const { return countOccurrences(str(), needle); }
    void clear() { text.str(""); }

private:
    std::ostringstream text;
    LogOutput output;
};

}  // namespace Tramble
