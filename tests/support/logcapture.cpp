// Counting occurrences in captured text.
#include "support/logcapture.h"

namespace Tramble {

int countOccurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace Tramble
