// A log output into a string, so tests can assert on the exact lines the engine writes.
#pragma once

#include <sstream>
#include <string>

#include "engine/logsys.h"

namespace Tramble {

// How often needle stands in text, overlapping occurrences included.
inline int countOccurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

class LogCapture {
public:
    // Same format as the engine's standard output: level prefixes, no time, no origin.
    LogCapture() : output(&text, Error | Warning | Info | Notice, true, false, false) {}

    std::string str() const { return text.str(); }
    bool contains(const std::string& needle) const { return str().find(needle) != std::string::npos; }
    int count(const std::string& needle) const { return countOccurrences(str(), needle); }

private:
    std::ostringstream text;
    LogOutput output;
};

}  // namespace Tramble
