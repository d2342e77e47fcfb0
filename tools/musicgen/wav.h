// Writes a finished track as a 16-bit stereo PCM WAV file, the input the MP3 encoder takes.
// Samples are rounded, not dithered, so the closing fade ends in digital silence.
#pragma once

#include <ostream>

#include "mixdown.h"

namespace musicgen {

// Writes the RIFF/WAVE header and the interleaved samples; false if the stream fails.
bool writeWav(std::ostream& out, const Track& track);

}  // namespace musicgen
