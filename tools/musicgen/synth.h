// Building blocks of the music generator: the beat grid, a seeded noise source,
// a state-variable filter, the mixing buses and the instrument voices that write into them.
// Every voice renders offline, sample by sample, at an exact sample offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tramble {

// Output sample rate in Hz.
constexpr int sampleRate = 44100;
// Tempo of the piece in beats per minute; the demo's beat clock counts with the same value.
constexpr int tempo = 130;
// Length of the piece in seconds, the length of the demo's timeline.
constexpr int songSeconds = 205;
// Stereo frames in the whole piece.
constexpr std::size_t songFrames = static_cast<std::size_t>(sampleRate) * songSeconds;

// Seconds in one beat.
constexpr double beatSeconds = 60.0 / tempo;

// The frame on which a (fractional) beat, counted from 0 at the start of the song, begins.
std::size_t beatSample(double beat);

// Frequency in Hz of a MIDI note number (69 = A4 = 440 Hz).
double noteHz(double note);

// Xorshift32: our own generator so that the noise is identical on every platform.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state(seed ? seed : 1u) {}
    std::uint32_t next();
    float uniform();  // in [0, 1)
    float bipolar();  // in [-1, 1)

private:
    std::uint32_t state;
};

// Topology-preserving state-variable filter: stable under fast cutoff sweeps.
class Svf {
public:
    struct Out {
        float low, band, high;
    };
    // resonance in [0, 1): 0 is a gentle slope, near 1 rings at the cutoff.
    void setup(float cutoffHz, float resonance);
    Out process(float x);

private:
    float k = 2.0f, a1 = 0.0f, a2 = 0.0f, a3 = 0.0f;
    float ic1 = 0.0f, ic2 = 0.0f;
};

// Where a voice goes in the mix.
struct Place {
    float pan = 0.0f;     // -1 left .. 1 right, equal power
    float reverb = 0.0f;  // send level to the reverb
    float echo = 0.0f;    // send level to the ping-pong echo
    bool ducked = false;  // pumped down by the kick (sidechain)
};

// The buses every voice adds into, and the kick's ducking curve.
struct Mixer {
    enum Bus { Dry, Ducked, ReverbSend, EchoSend, BusCount };

    explicit Mixer(std::size_t frames);
    // Adds one channel's sample of a stereo voice, panned and sent.
    void add(std::size_t frame, int channel, float value, const Place& place);
    // Adds a mono voice's sample to both channels.
    void addMono(std::size_t frame, float value, const Place& place);
    // Pulls the ducked bus down by depth (0..1) at frame and lets it recover.
    void duckAt(std::size_t frame, float depth);

    std::size_t frames;
    std::vector<float> bus[BusCount][2];
    std::vector<float> duck;

private:
    // Equal-power gains of the last pan seen: voices add thousands of samples per pan.
    float lastPan = 0.0f;
    float panGain[2] = {0.70710678f, 0.70710678f};
};

// A subtractive voice: detuned oscillators through a low-pass filter with envelopes.
struct Patch {
    float saw = 1.0f, square = 0.0f, sine = 0.0f;                         // oscillator mix
    int voices = 1;                                                       // unison oscillators per channel
    float detune = 0.0f;                                                  // unison spread in cents; channels interleave
    float attack = 0.005f, decay = 0.2f, sustain = 0.7f, release = 0.2f;  // seconds / level
    float cutoff = 2000.0f;                                               // filter cutoff at note on, Hz
    float cutoffEnd = 2000.0f;  // cutoff glides linearly to this by the end of the release
    float envCutoff = 0.0f;     // extra cutoff at note on, scaled by velocity, decaying
    float envTime = 0.1f;       // decay time constant of that extra cutoff
    float resonance = 0.2f;
    float vibrato = 0.0f;  // depth in semitones, fading in after the attack
    float gain = 0.2f;

    // Setters that chain, so a patch reads as one line per aspect of the sound.
    Patch& oscillators(float sawLevel, float squareLevel, float sineLevel) {
        saw = sawLevel;
        square = squareLevel;
        sine = sineLevel;
        return *this;
    }
    Patch& unison(int count, float cents) {
        voices = count;
        detune = cents;
        return *this;
    }
    Patch& envelope(float a, float d, float s, float r) {
        attack = a;
        decay = d;
        sustain = s;
        release = r;
        return *this;
    }
    // A fixed cutoff (cutoffEnd follows), its velocity-scaled opening and the resonance.
    Patch& filter(float hz, float openingHz, float openingSeconds, float res) {
        cutoff = cutoffEnd = hz;
        envCutoff = openingHz;
        envTime = openingSeconds;
        resonance = res;
        return *this;
    }
    Patch& level(float g) {
        gain = g;
        return *this;
    }
};

// Plays a note of the patch held for `seconds` (the release follows).
void synthNote(Mixer& mix, Rng& rng, std::size_t start, double seconds, double note, float velocity, const Patch& patch,
               const Place& place);

// Two-operator FM bell: a plink with ratio 2, glassier with inharmonic ratios.
void bell(Mixer& mix, std::size_t start, double note, float velocity, float decay, float ratio, float index,
          const Place& place);

// Noise through a band-pass sweeping from one cutoff to another.
enum class SwellShape { Rise, Arch };
void noiseSwell(Mixer& mix, Rng& rng, std::size_t start, double seconds, float cutoffFrom, float cutoffTo,
                float velocity, SwellShape shape, const Place& place);

void kick(Mixer& mix, std::size_t start, float velocity);
void snare(Mixer& mix, Rng& rng, std::size_t start, float velocity);
void clap(Mixer& mix, Rng& rng, std::size_t start, float velocity);
// Hats and crash share one metallic noise; decay picks closed (~0.04 s) to crash (~1 s).
void cymbal(Mixer& mix, Rng& rng, std::size_t start, float velocity, float decay, const Place& place);

}  // namespace Tramble
