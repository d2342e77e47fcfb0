// Effects and mastering of the music generator: a ping-pong echo, a Freeverb-style reverb,
// the closing fade, loudness levelling and an offline look-ahead limiter.
#include "mixdown.h"

#include <algorithm>
#include <cmath>

namespace Tramble {
namespace {

// Echo time in beats (a dotted eighth, which lands between the sixteenths), and its feedback.
constexpr double echoBeats = 0.75;
constexpr float echoFeedback = 0.42f;
// The echoes darken as they repeat: low-pass in the feedback path, Hz.
constexpr float echoDamping = 3500.0f;
// Share of the echo return that is also sent into the reverb.
constexpr float echoIntoReverb = 0.3f;
// Reverb comb and all-pass lengths in samples (Freeverb's tuning), and the right channel's offset.
constexpr std::size_t combLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::size_t allpassLengths[] = {556, 441, 341, 225};
constexpr std::size_t stereoSpread = 23;
// Reverb feedback (tail length), damping of its high end, and input scaling.
constexpr float roomFeedback = 0.86f, roomDamping = 0.3f, reverbInput = 0.015f;
// Everything below this is removed from the mix, Hz.
constexpr float highPassHz = 22.0f;
// Limiter: seconds over which the gain ramps down ahead of a peak, and recovers after it.
constexpr double limiterAttack = 0.002, limiterRelease = 0.12;

float dbToGain(float db) {
    return std::pow(10.0f, db / 20.0f);
}

class Comb {
public:
    explicit Comb(std::size_t length) : buffer(length, 0.0f) {}
    float process(float x) {
        const float out = buffer[pos];
        store = out * (1.0f - roomDamping) + store * roomDamping;
        buffer[pos] = x + store * roomFeedback;
        pos = (pos + 1) % buffer.size();
        return out;
    }

private:
    std::vector<float> buffer;
    std::size_t pos = 0;
    float store = 0.0f;
};

class Allpass {
public:
    explicit Allpass(std::size_t length) : buffer(length, 0.0f) {}
    float process(float x) {
        const float delayed = buffer[pos];
        buffer[pos] = x + delayed * 0.5f;
        pos = (pos + 1) % buffer.size();
        return delayed - x;
    }

private:
    std::vector<float> buffer;
    std::size_t pos = 0;
};

// Adds the reverb of the (summed) send into out.
void addReverb(const std::vector<float> (&send)[2], std::vector<float>* out) {
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<Comb> combs;
        std::vector<Allpass> allpasses;
        for (std::size_t n : combLengths) {
            combs.emplace_back(n + channel * stereoSpread);
        }
        for (std::size_t n : allpassLengths) {
            allpasses.emplace_back(n + channel * stereoSpread);
        }
        for (std::size_t i = 0; i < send[0].size(); ++i) {
            const float x = (send[0][i] + send[1][i]) * reverbInput;
            float y = 0.0f;
            for (auto& c : combs) {
                y += c.process(x);
            }
            for (auto& a : allpasses) {
                y = a.process(y);
            }
            out[channel][i] += y;
        }
    }
}

// Ping-pong echo of the (summed) send: first repeat left, then right, and so on.
void addEcho(const std::vector<float> (&send)[2], std::vector<float>* out, std::vector<float>* reverbSend) {
    const std::size_t n = send[0].size(), delay = beatSample(echoBeats);
    std::vector<float> left(n, 0.0f), right(n, 0.0f);
    Svf damping[2];
    for (auto& f : damping) {
        f.setup(echoDamping, 0.0f);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const float tapLeft = i >= delay ? left[i - delay] : 0.0f;
        const float tapRight = i >= delay ? right[i - delay] : 0.0f;
        left[i] = 0.5f * (send[0][i] + send[1][i]) + echoFeedback * damping[0].process(tapRight).low;
        right[i] = echoFeedback * damping[1].process(tapLeft).low;
        const float taps[2] = {tapLeft, tapRight};
        for (int channel = 0; channel < 2; ++channel) {
            out[channel][i] += taps[channel];
            reverbSend[channel][i] += taps[channel] * echoIntoReverb;
        }
    }
}

float fadeGain(double t, const Mastering& m) {
    if (t <= m.fadeFrom) {
        return 1.0f;
    }
    if (t >= m.fadeTo) {
        return 0.0f;
    }
    const double c = std::cos((t - m.fadeFrom) / (m.fadeTo - m.fadeFrom) * 1.5707963267948966);
    return static_cast<float>(c * c);
}

// Offline look-ahead limiter: the gain curve is built backwards (ramping down before each
// peak) and then forwards (recovering smoothly), so no sample ever exceeds the ceiling.
void limit(Track& track, float ceiling) {
    const std::size_t n = track.left.size();
    std::vector<float> gain(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float peak = std::max(std::fabs(track.left[i]), std::fabs(track.right[i]));
        gain[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    const float attackStep = static_cast<float>(1.0 / (limiterAttack * sampleRate));
    for (std::size_t i = n - 1; i-- > 0;) {
        gain[i] = std::min(gain[i], gain[i + 1] + attackStep);
    }
    const float release = static_cast<float>(1.0 - std::exp(-1.0 / (limiterRelease * sampleRate)));
    for (std::size_t i = 1; i < n; ++i) {
        gain[i] = std::min(gain[i], gain[i - 1] + (1.0f - gain[i - 1]) * release);
    }
    for (std::size_t i = 0; i < n; ++i) {
        track.left[i] *= gain[i];
        track.right[i] *= gain[i];
    }
}

}  // namespace

Track mixdown(const Mixer& mix, const Mastering& mastering) {
    const std::size_t n = mix.frames;
    std::vector<float> out[2], reverbSend[2];
    for (int channel = 0; channel < 2; ++channel) {
        out[channel] = mix.bus[Mixer::Dry][channel];
        reverbSend[channel] = mix.bus[Mixer::ReverbSend][channel];
        for (std::size_t i = 0; i < n; ++i) {
            out[channel][i] += mix.bus[Mixer::Ducked][channel][i] * mix.duck[i];
        }
    }
    addEcho(mix.bus[Mixer::EchoSend], out, reverbSend);
    addReverb(reverbSend, out);

    Track track{std::move(out[0]), std::move(out[1])};
    Svf highPass[2];
    for (auto& f : highPass) {
        f.setup(highPassHz, 0.29f);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const float fade = fadeGain(static_cast<double>(i) / sampleRate, mastering);
        track.left[i] = highPass[0].process(track.left[i]).high * fade;
        track.right[i] = highPass[1].process(track.right[i]).high * fade;
    }
    const float level = dbToGain(mastering.targetRmsDb - rmsDb(track, mastering.referenceFrom, mastering.referenceTo));
    for (std::size_t i = 0; i < n; ++i) {
        track.left[i] *= level;
        track.right[i] *= level;
    }
    limit(track, dbToGain(mastering.ceilingDb));
    return track;
}

float rmsDb(const Track& track, double from, double to) {
    const std::size_t begin = std::min(track.left.size(), static_cast<std::size_t>(from * sampleRate));
    const std::size_t end = std::min(track.left.size(), static_cast<std::size_t>(to * sampleRate));
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        sum +=
            static_cast<double>(track.left[i]) * track.left[i] + static_cast<double>(track.right[i]) * track.right[i];
    }
    const double mean = end > begin ? sum / (2.0 * (end - begin)) : 0.0;
    return static_cast<float>(10.0 * std::log10(std::max(mean, 1e-20)));
}

float peakDb(const Track& track) {
    float peak = 0.0f;
    for (std::size_t i = 0; i < track.left.size(); ++i) {
        peak = std::max({peak, std::fabs(track.left[i]), std::fabs(track.right[i])});
    }
    return 20.0f * std::log10(std::max(peak, 1e-10f));
}

}  // namespace Tramble
