// Turns the mixer's buses into the finished stereo track: echo and reverb returns, the kick's
// ducking, a sub-sonic high-pass, the closing fade, loudness levelling and a peak limiter.
#pragma once

#include <vector>

#include "synth.h"

namespace Tramble {

// How a finished mix is faded, levelled and limited.
struct Mastering {
    double fadeFrom, fadeTo;            // seconds: the track fades to silence in between
    double referenceFrom, referenceTo;  // seconds: the stretch whose RMS becomes targetRmsDb
    float targetRmsDb;                  // dBFS
    float ceilingDb;                    // dBFS: no sample goes above this
};

struct Track {
    std::vector<float> left, right;
};

Track mixdown(const Mixer& mix, const Mastering& mastering);

// RMS of both channels over [from, to) seconds, in dBFS (a full-scale square wave is 0).
float rmsDb(const Track& track, double from, double to);
// Highest absolute sample, in dBFS.
float peakDb(const Track& track);

}  // namespace Tramble
