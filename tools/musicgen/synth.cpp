// Oscillators, filter, envelopes, drums and the mixing buses of the music generator.
// Voices are plain loops over their own samples; nothing here knows about the arrangement.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace Tramble {
namespace {

// Two pi, for phases kept in cycles.
constexpr double twoPi = 6.283185307179586;
// Samples between filter coefficient updates (tan() per sample is wasted work).
constexpr std::size_t controlInterval = 16;
// Vibrato rate in Hz.
constexpr double vibratoHz = 5.2;
// Seconds after the attack before vibrato starts, and how long it takes to reach depth.
constexpr double vibratoDelay = 0.15, vibratoFade = 0.4;
// How long the kick's duck takes to set in, and its recovery time constant.
constexpr double duckAttack = 0.004, duckRecover = 0.11;
// Decays are rendered for this many time constants.
constexpr double decayLengths = 5.0;
// Output levels of the fixed-level voices, balanced against the patches.
constexpr float bellGain = 0.3f, kickGain = 0.44f, snareGain = 1.0f, clapGain = 2.5f, cymbalGain = 0.6f,
                swellGain = 0.5f;
// Kick: resting pitch, the extra pitch at the start of the sweep, and their time constants.
constexpr double kickHz = 47.0, kickSweepHz = 190.0, kickSweepTime = 0.028, kickDecay = 0.22, kickSeconds = 0.55;
// Soft saturation of the kick body, for punch without a higher peak.
constexpr float kickDrive = 1.8f;
// Snare: head pitch, the extra pitch it starts with, the centre of its noise band, its length.
constexpr double snareHz = 180.0, snareSweepHz = 90.0, snareSeconds = 0.3;
constexpr float snareNoiseHz = 2500.0f;
// Clap: three hand bursts this far apart, then a short room tail; noise band centre and length.
constexpr double clapGap = 0.011, clapSeconds = 0.35;
constexpr float clapHz = 1300.0f;
// Metallic partials of the cymbals (a classic drum machine's square cluster), Hz.
constexpr double metalHz[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
// Cymbals are high-passed here.
constexpr float cymbalCutoff = 6500.0f;

double frac(double x) {
    return x - std::floor(x);
}

// Removes the step of a naive saw or square at its wrap, to keep the top end clean.
double polyBlep(double phase, double step) {
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Exponential decay with time constant tau that reaches exactly zero at `length`, so no click.
float tailEnvelope(double t, double tau, double length) {
    if (t >= length) {
        return 0.0f;
    }
    const double floor = std::exp(-length / tau);
    return static_cast<float>((std::exp(-t / tau) - floor) / (1.0 - floor));
}

float patchEnvelope(double t, double held, const Patch& p) {
    auto level = [&p](double x) {
        if (x < p.attack) {
            return x / p.attack;
        }
        return p.sustain + (1.0 - p.sustain) * std::exp(-(x - p.attack) / p.decay);
    };
    if (t < held) {
        return static_cast<float>(level(t));
    }
    return static_cast<float>(level(held) * std::max(0.0, 1.0 - (t - held) / p.release));
}

std::size_t frameCount(Mixer& mix, std::size_t start, double seconds) {
    if (start >= mix.frames) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(seconds * sampleRate), mix.frames - start);
}

}  // namespace

std::size_t beatSample(double beat) {
    return static_cast<std::size_t>(std::llround(beat * 60.0 * sampleRate / tempo));
}

double noteHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

std::uint32_t Rng::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float Rng::uniform() {
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

float Rng::bipolar() {
    return uniform() * 2.0f - 1.0f;
}

void Svf::setup(float cutoffHz, float resonance) {
    const float hz = std::clamp(cutoffHz, 20.0f, 0.45f * sampleRate);
    const float g = static_cast<float>(std::tan(twoPi * 0.5 * hz / sampleRate));
    k = 2.0f * (1.0f - resonance);
    a1 = 1.0f / (1.0f + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

Svf::Out Svf::process(float x) {
    const float v3 = x - ic2;
    const float v1 = a1 * ic1 + a2 * v3;
    const float v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0f * v1 - ic1;
    ic2 = 2.0f * v2 - ic2;
    return {v2, v1, x - k * v1 - v2};
}

Mixer::Mixer(std::size_t frameCount) : frames(frameCount), duck(frameCount, 1.0f) {
    for (auto& b : bus) {
        for (auto& channel : b) {
            channel.assign(frames, 0.0f);
        }
    }
}

void Mixer::add(std::size_t frame, int channel, float value, const Place& place) {
    if (place.pan != lastPan) {
        const double angle = (place.pan + 1.0) * twoPi / 8.0;
        lastPan = place.pan;
        panGain[0] = static_cast<float>(std::cos(angle));
        panGain[1] = static_cast<float>(std::sin(angle));
    }
    const float v = value * panGain[channel];
    bus[place.ducked ? Ducked : Dry][channel][frame] += v;
    bus[ReverbSend][channel][frame] += v * place.reverb;
    bus[EchoSend][channel][frame] += v * place.echo;
}

void Mixer::addMono(std::size_t frame, float value, const Place& place) {
    add(frame, 0, value, place);
    add(frame, 1, value, place);
}

void Mixer::duckAt(std::size_t frame, float depth) {
    const std::size_t n = frameCount(*this, frame, duckRecover * decayLengths);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double g = 1.0 - depth * std::min(1.0, t / duckAttack) * std::exp(-t / duckRecover);
        duck[frame + i] = std::min(duck[frame + i], static_cast<float>(g));
    }
}

void synthNote(Mixer& mix, Rng& rng, std::size_t start, double seconds, double note, float velocity, const Patch& patch,
               const Place& place) {
    const double total = seconds + patch.release;
    const std::size_t n = frameCount(mix, start, total);
    const double hz = noteHz(note);
    const float unisonGain = 1.0f / std::sqrt(static_cast<float>(patch.voices));
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<double> phase(patch.voices), step(patch.voices);
        for (int u = 0; u < patch.voices; ++u) {
            const double spread = (u + 0.25 + 0.5 * channel) / patch.voices * 2.0 - 1.0;
            step[u] = hz * std::pow(2.0, patch.detune * spread / 1200.0) / sampleRate;
            phase[u] = rng.uniform();
        }
        double sinePhase = 0.0;
        Svf filter;
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double vibratoAmount = std::clamp((t - patch.attack - vibratoDelay) / vibratoFade, 0.0, 1.0);
            const double bend =
                patch.vibrato > 0.0f
                    ? std::pow(2.0, patch.vibrato * vibratoAmount * std::sin(twoPi * vibratoHz * t) / 12.0)
                    : 1.0;
            double osc = 0.0;
            for (int u = 0; u < patch.voices; ++u) {
                const double dt = step[u] * bend, p = phase[u];
                osc += patch.saw * (2.0 * p - 1.0 - polyBlep(p, dt));
                osc += patch.square * ((p < 0.5 ? 1.0 : -1.0) + polyBlep(p, dt) - polyBlep(frac(p + 0.5), dt));
                phase[u] = frac(p + dt);
            }
            osc = osc * unisonGain + patch.sine * std::sin(twoPi * sinePhase);
            sinePhase = frac(sinePhase + hz * bend / sampleRate);
            if (i % controlInterval == 0) {
                const double glide = patch.cutoff + (patch.cutoffEnd - patch.cutoff) * t / total;
                filter.setup(static_cast<float>(glide + patch.envCutoff * velocity * std::exp(-t / patch.envTime)),
                             patch.resonance);
            }
            const float env = patchEnvelope(t, seconds, patch);
            mix.add(start + i, channel, filter.process(static_cast<float>(osc)).low * env * velocity * patch.gain,
                    place);
        }
    }
}

void bell(Mixer& mix, std::size_t start, double note, float velocity, float decay, float ratio, float index,
          const Place& place) {
    const double length = decay * decayLengths;
    const std::size_t n = frameCount(mix, start, length);
    const double hz = noteHz(note);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double mod = index * std::exp(-t / (decay * 0.4)) * std::sin(twoPi * hz * ratio * t);
        const double attack = std::min(1.0, t / 0.002);
        const float v = static_cast<float>(std::sin(twoPi * hz * t + mod) * attack) * tailEnvelope(t, decay, length);
        mix.addMono(start + i, v * velocity * bellGain, place);
    }
}

void noiseSwell(Mixer& mix, Rng& rng, std::size_t start, double seconds, float cutoffFrom, float cutoffTo,
                float velocity, SwellShape shape, const Place& place) {
    const std::size_t n = frameCount(mix, start, seconds);
    const std::size_t total = static_cast<std::size_t>(seconds * sampleRate);
    Svf filters[2];
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / total;
        if (i % controlInterval == 0) {
            for (auto& f : filters) {
                f.setup(static_cast<float>(cutoffFrom * std::pow(cutoffTo / cutoffFrom, x)), 0.3f);
            }
        }
        const double amp = shape == SwellShape::Rise ? x * x : std::sin(twoPi * 0.5 * x);
        for (int channel = 0; channel < 2; ++channel) {
            const float v = filters[channel].process(rng.bipolar()).band;
            mix.add(start + i, channel, v * static_cast<float>(amp) * velocity * swellGain, place);
        }
    }
}

void kick(Mixer& mix, std::size_t start, float velocity) {
    const std::size_t n = frameCount(mix, start, kickSeconds);
    double phase = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const float body = static_cast<float>(std::sin(twoPi * phase)) * tailEnvelope(t, kickDecay, kickSeconds);
        phase += (kickHz + kickSweepHz * std::exp(-t / kickSweepTime)) / sampleRate;
        const float v = std::tanh(kickDrive * body) / std::tanh(kickDrive);
        mix.addMono(start + i, v * velocity * kickGain, Place{});
    }
    mix.duckAt(start, 0.6f * velocity);
}

void snare(Mixer& mix, Rng& rng, std::size_t start, float velocity) {
    const std::size_t n = frameCount(mix, start, snareSeconds);
    Svf filter;
    filter.setup(snareNoiseHz, 0.1f);
    double phase = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const float tone = static_cast<float>(std::sin(twoPi * phase)) * tailEnvelope(t, 0.045, snareSeconds);
        phase += (snareHz + snareSweepHz * std::exp(-t / 0.012)) / sampleRate;
        const float noise = filter.process(rng.bipolar()).band * tailEnvelope(t, 0.1, snareSeconds);
        mix.addMono(start + i, (0.6f * tone + noise) * velocity * snareGain, Place{0.05f, 0.18f, 0.0f, false});
    }
}

void clap(Mixer& mix, Rng& rng, std::size_t start, float velocity) {
    constexpr double tailStart = 3 * clapGap;
    const std::size_t n = frameCount(mix, start, clapSeconds);
    Svf filter;
    filter.setup(clapHz, 0.35f);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double burst = t < tailStart ? std::exp(-std::fmod(t, clapGap) / 0.0035) : 0.0;
        const double tail = t >= tailStart ? tailEnvelope(t - tailStart, 0.08, clapSeconds - tailStart) : 0.0;
        const float v = filter.process(rng.bipolar()).band * static_cast<float>(burst + tail);
        mix.addMono(start + i, v * velocity * clapGain, Place{-0.1f, 0.3f, 0.0f, false});
    }
}

void cymbal(Mixer& mix, Rng& rng, std::size_t start, float velocity, float decay, const Place& place) {
    const double length = decay * decayLengths;
    const std::size_t n = frameCount(mix, start, length);
    Svf filter;
    filter.setup(cymbalCutoff, 0.2f);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        double metal = 0.0;
        for (double hz : metalHz) {
            metal += frac(hz * t) < 0.5 ? 1.0 : -1.0;
        }
        const float x = static_cast<float>(metal / std::size(metalHz)) * 0.6f + rng.bipolar() * 0.6f;
        const float v = filter.process(x).high * tailEnvelope(t, decay, length);
        mix.addMono(start + i, v * velocity * cymbalGain, place);
    }
}

}  // namespace Tramble
