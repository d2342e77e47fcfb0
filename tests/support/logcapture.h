// A log output into a string, so tests can assert on the exact lines the engine writes.
#pragma once

#include <sstream>
#include <string>

#include "engine/logsys.h"

namespace Tramble {

class LogCapture {
public:
    // Same format as the engine's standard output: level prefixes, no time, no origin.
    LogCapture() : output(&text, Error | Warning | Info | Notice, true, false, false) {}

    std::string str() const { return text.str(); }
    bool contains(const std::string& needle) const { return str().find(needle) != std::string::npos; }
    // Overlapping occurrences included.
    int count(const std::string& needle) const {
        const std::string all = str();
        int n = 0;
        for (auto at = all.find(needle); at != std::string::npos; at = all.find(needle, at + 1)) {
            ++n;
        }
        return n;
    }

private:
    std::ostringstream text;
    LogOutput output;
};

}  // namespace Tramble
