// Counting helper of the test log capture.
#include "support/logcapture.h"

namespace Tramble {

int LogCapture::count(const std::string& needle) const {
    const std::string all = str();
    int n = 0;
    for (std::string::size_type at = all.find(needle); at != std::string::npos; at = all.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace Tramble
