// The arrangement: chords, melody, patches and the five sections of the piece.
// Bars are four beats on the 130 BPM grid from t = 0; sections start on the bar nearest
// to each scene change of the demo (45, 85, 125, 165 s).
#include "score.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace Tramble {
namespace {

// First bar of each section after the opening.
constexpr int buildBar = 24, mainBar = 46, particleBar = 68, outroBar = 89;
// Length of the song in bars (205 s ends just after bar 111 begins).
constexpr double songBars = songSeconds / (4.0 * beatSeconds);
// Seed of all noise and of the random rain drops.
constexpr std::uint32_t seed = 0x7A3B1E5u;
// Sixteenth notes in a bar.
constexpr int stepsPerBar = 16;
// The lead holds each melody note for this share of its written length.
constexpr double legato = 0.9;

enum Chord { Am, F, C, G, Dm, E };

// Bass root and three-note pad voicing (MIDI), voiced for small steps between chords.
struct ChordShape {
    int root;
    int tones[3];
};
const ChordShape chordShapes[] = {
    {33, {57, 60, 64}},  // Am
    {29, {57, 60, 65}},  // F
    {36, {55, 60, 64}},  // C
    {31, {55, 59, 62}},  // G
    {38, {57, 62, 65}},  // Dm
    {28, {56, 59, 64}},  // E (harmonic minor, leading back to Am)
};

// A section plays one chord per two bars; its last chord lasts until the next section.
struct Section {
    const char* name;
    int firstBar;
    float padLevel, padReverb;
    std::vector<Chord> chords;
};
const Section sectionPlan[] = {
    {"opening", 0, 0.8f, 0.35f, {Am, F, C, G, Am, F, C, G, Am, F, Dm, E}},
    {"build", buildBar, 0.85f, 0.3f, {Am, F, C, G, Am, F, C, G, Am, Dm, E}},
    {"main", mainBar, 0.75f, 0.25f, {Am, F, C, G, Am, F, Dm, E, Am, F, G}},
    {"particles", particleBar, 0.8f, 0.55f, {Am, F, C, G, Am, F, Dm, E, Am, F, G}},
    {"outro", outroBar, 1.0f, 0.45f, {Am, F, C, G, Am, F, Dm, E, Am, F, Am}},
};

// The lead melody: 16 bars, two per chord of the cycle Am F C G Am F Dm E.
struct Note {
    double beat, length;
    int pitch;
};
const Note melodyNotes[] = {
    {0, 1, 69},      {1, 0.5, 72},  {1.5, 1.5, 76},  {3, 0.5, 74},    {3.5, 0.5, 72},  {4, 2, 76},
    {6, 1, 74},      {7, 1, 72},    {8, 1.5, 72},    {9.5, 0.5, 69},  {10, 1, 72},     {11, 1, 77},
    {12, 2, 76},     {14, 1, 72},   {15, 1, 69},     {16, 1, 67},     {17, 0.5, 72},   {17.5, 1.5, 76},
    {19, 1, 79},     {20, 1.5, 76}, {21.5, 0.5, 74}, {22, 2, 72},     {24, 1.5, 74},   {25.5, 0.5, 71},
    {26, 1, 67},     {27, 1, 71},   {28, 3, 74},     {32, 1.5, 81},   {33.5, 0.5, 79}, {34, 1, 76},
    {35, 1, 72},     {36, 1, 76},   {37, 0.5, 74},   {37.5, 0.5, 72}, {38, 2, 69},     {40, 1.5, 77},
    {41.5, 0.5, 76}, {42, 1, 72},   {43, 1, 69},     {44, 1, 72},     {45, 1, 76},     {46, 2, 77},
    {48, 1, 77},     {49, 0.5, 76}, {49.5, 1.5, 74}, {51, 1, 69},     {52, 1.5, 74},   {53.5, 0.5, 76},
    {54, 2, 77},     {56, 1, 68},   {57, 1, 71},     {58, 1.5, 76},   {59.5, 0.5, 74}, {60, 2, 71},
    {62, 1, 68},     {63, 1, 71},
};
// Beats covered by one two-bar melody segment.
constexpr double segmentBeats = 8.0;

// Octave jumps of the driving sixteenth bass in the main part.
constexpr int bassOctaves[stepsPerBar] = {0, 0, 12, 0, 0, 0, 12, 0, 0, 0, 12, 0, 0, 12, 0, 12};

// Pad cutoff (Hz) at these bars, interpolated geometrically: it opens through the opening,
// is brightest over the particles and closes again over the credits.
const double padCutoff[][2] = {
    {0, 250}, {buildBar, 1500}, {mainBar, 2300}, {particleBar, 3800}, {outroBar, 2600}, {songBars + 1, 350},
};

Patch padPatch() {
    return Patch().unison(3, 16.0f).envelope(1.0f, 1.0f, 1.0f, 1.6f).filter(2000.0f, 0.0f, 0.1f, 0.15f).level(0.17f);
}

Patch bassPatch(float cutoff) {
    return Patch()
        .oscillators(0.8f, 0.0f, 0.6f)
        .envelope(0.003f, 0.18f, 0.45f, 0.06f)
        .filter(cutoff, 1400.0f, 0.08f, 0.3f)
        .level(0.42f);
}

// A round sine bass with a touch of saw, for the light sections.
Patch subPatch() {
    return Patch()
        .oscillators(0.15f, 0.0f, 1.0f)
        .envelope(0.08f, 1.0f, 0.85f, 0.6f)
        .filter(300.0f, 0.0f, 0.1f, 0.1f)
        .level(0.3f);
}

Patch pluckPatch() {
    return Patch()
        .oscillators(0.6f, 0.5f, 0.0f)
        .unison(2, 6.0f)
        .envelope(0.002f, 0.12f, 0.0f, 0.12f)
        .filter(500.0f, 3500.0f, 0.06f, 0.35f)
        .level(1.0f);
}

// The lead; `bright` is the filter's opening at each note, lower for the fading outro.
Patch leadPatch(float cutoff, float bright) {
    Patch p = Patch()
                  .oscillators(1.0f, 0.35f, 0.0f)
                  .unison(2, 9.0f)
                  .envelope(0.01f, 0.4f, 0.65f, 0.25f)
                  .filter(cutoff, bright, 0.25f, 0.25f)
                  .level(0.7f);
    p.vibrato = 0.18f;
    return p;
}

double padCutoffAt(double bar) {
    for (std::size_t i = 1; i < std::size(padCutoff); ++i) {
        const double* a = padCutoff[i - 1];
        const double* b = padCutoff[i];
        if (bar <= b[0]) {
            return a[1] * std::pow(b[1] / a[1], (bar - a[0]) / (b[0] - a[0]));
        }
    }
    return padCutoff[std::size(padCutoff) - 1][1];
}

const ChordShape& chordAt(double bar) {
    const Section* section = &sectionPlan[0];
    for (const Section& s : sectionPlan) {
        if (s.firstBar <= bar) {
            section = &s;
        }
    }
    const std::size_t slot = static_cast<std::size_t>(bar - section->firstBar) / 2;
    return chordShapes[section->chords[std::min(slot, section->chords.size() - 1)]];
}

float lerp(float a, float b, float x) {
    return a + (b - a) * x;
}

class Song {
public:
    explicit Song(Mixer& mix) : mixer(mix), rng(seed) {}

    void render() {
        pads();
        opening();
        build();
        mainPart();
        particles();
        outro();
    }

private:
    static std::size_t at(double bar, double beat = 0.0) { return beatSample(bar * 4.0 + beat); }
    static double beats(double n) { return n * beatSeconds; }

    void pads();
    void rain(int fromBar, int toBar, float densityFrom, float densityTo);
    void melody(int bar, int segment, float velocity, const Patch& patch, const Place& place);
    void sustainedBass(int fromBar, int toBar, float velocity);
    void opening();
    void build();
    void mainPart();
    void particles();
    void outro();

    Mixer& mixer;
    Rng rng;
};

void Song::pads() {
    Patch patch = padPatch();
    for (std::size_t s = 0; s < std::size(sectionPlan); ++s) {
        const Section& section = sectionPlan[s];
        const double end = s + 1 < std::size(sectionPlan) ? sectionPlan[s + 1].firstBar : songBars;
        for (std::size_t j = 0; j < section.chords.size(); ++j) {
            const double bar = section.firstBar + 2.0 * j;
            const double length = j + 1 == section.chords.size() ? end - bar : 2.0;
            const double releaseBars = patch.release / beats(4.0);
            patch.cutoff = static_cast<float>(padCutoffAt(bar));
            patch.cutoffEnd = static_cast<float>(padCutoffAt(bar + length + releaseBars));
            const ChordShape& chord = chordShapes[section.chords[j]];
            const Place place{0.0f, section.padReverb, 0.0f, true};
            for (int tone : chord.tones) {
                synthNote(mixer, rng, at(bar), beats(4.0 * length), tone, section.padLevel, patch, place);
            }
            synthNote(mixer, rng, at(bar), beats(4.0 * length), chord.root + 12, 0.6f * section.padLevel, patch, place);
        }
    }
}

// Random bell drops on the sixteenth grid, picked from the chord, like rain on water.
void Song::rain(int fromBar, int toBar, float densityFrom, float densityTo) {
    for (int step = fromBar * stepsPerBar; step < toBar * stepsPerBar; ++step) {
        const double bar = static_cast<double>(step) / stepsPerBar;
        const float density = lerp(densityFrom, densityTo, static_cast<float>((bar - fromBar) / (toBar - fromBar)));
        if (rng.uniform() >= density) {
            continue;
        }
        const ChordShape& chord = chordAt(bar);
        const int note = chord.tones[rng.next() % 3] + 12 * static_cast<int>(1 + rng.next() % 2);
        const float velocity = 0.35f + 0.65f * rng.uniform();
        const float decay = 0.25f + 0.35f * rng.uniform();
        const Place place{0.8f * rng.bipolar(), 0.45f, 0.3f, false};
        bell(mixer, at(bar), note, velocity, decay, 2.0f, 1.2f, place);
    }
}

void Song::melody(int bar, int segment, float velocity, const Patch& patch, const Place& place) {
    const double from = segment * segmentBeats;
    for (const Note& n : melodyNotes) {
        if (n.beat < from || n.beat >= from + segmentBeats) {
            continue;
        }
        synthNote(mixer, rng, at(bar, n.beat - from), beats(n.length * legato), n.pitch, velocity, patch, place);
    }
}

// One long bass note per chord, [fromBar, toBar), on even bars of the section.
void Song::sustainedBass(int fromBar, int toBar, float velocity) {
    const Patch patch = subPatch();
    for (int bar = fromBar; bar < toBar; bar += 2) {
        synthNote(mixer, rng, at(bar), beats(std::min(8, 4 * (toBar - bar))) - patch.release, chordAt(bar).root + 12,
                  velocity, patch, Place{0.0f, 0.0f, 0.0f, true});
    }
}

// Rain and a slowly opening pad; a lone kick marks beat 0, a heartbeat kick arrives later.
void Song::opening() {
    kick(mixer, at(0), 0.55f);
    for (int bar = 16; bar < buildBar; ++bar) {
        const float velocity = 0.3f + 0.04f * (bar - 16);
        kick(mixer, at(bar), velocity);
        if (bar >= 20) {
            kick(mixer, at(bar, 2), 0.8f * velocity);
        }
    }
    sustainedBass(16, buildBar, 0.6f);
    rain(0, buildBar, 0.05f, 0.28f);
    noiseSwell(mixer, rng, at(0), beats(4.0 * buildBar), 2500.0f, 6000.0f, 0.08f, SwellShape::Arch,
               Place{0.0f, 0.3f, 0.0f, false});
}

// Kick, hats, an off-beat bass and a rising arpeggio; a riser and snare roll lead into the drop.
void Song::build() {
    const Patch pluck = pluckPatch();
    for (int bar = buildBar; bar < mainBar; ++bar) {
        const float progress = static_cast<float>(bar - buildBar) / (mainBar - buildBar);
        const ChordShape& chord = chordAt(bar);
        const bool lastBar = bar == mainBar - 1;
        for (int beat = 0; beat < 4; ++beat) {
            if ((bar < buildBar + 4 && beat % 2 == 1) || (lastBar && beat >= 2)) {
                continue;
            }
            kick(mixer, at(bar, beat), 0.75f + 0.2f * progress);
            if (bar >= 38 && beat % 2 == 1) {
                clap(mixer, rng, at(bar, beat), 0.5f);
            }
        }
        for (int step = 0; step < stepsPerBar; ++step) {
            const double beat = step / 4.0;
            const bool offbeat = step % 4 == 2;
            if (bar >= 28 && (offbeat || bar >= 36)) {
                cymbal(mixer, rng, at(bar, beat), offbeat ? 0.55f : 0.25f, 0.035f, Place{0.25f, 0.05f, 0.0f, false});
            }
            if (offbeat) {
                synthNote(mixer, rng, at(bar, beat), beats(0.35), chord.root, 0.7f + 0.3f * progress,
                          bassPatch(120.0f + 350.0f * progress), Place{0.0f, 0.0f, 0.0f, true});
            }
            if (bar >= 32) {
                const int note = step % 4 == 3 ? chord.tones[0] + 24 : chord.tones[step % 4] + 12;
                synthNote(mixer, rng, at(bar, beat), beats(0.2), note, 0.35f + 0.4f * progress, pluck,
                          Place{step % 2 ? 0.35f : -0.35f, 0.2f, 0.25f, true});
            }
        }
    }
    rain(buildBar, buildBar + 8, 0.2f, 0.0f);
    noiseSwell(mixer, rng, at(mainBar - 4), beats(16.0), 400.0f, 9000.0f, 0.3f, SwellShape::Rise,
               Place{0.0f, 0.3f, 0.0f, false});
    for (int step = 0; step < 24; ++step) {
        const double beat = step < 8 ? step * 0.5 : 4.0 + (step - 8) * 0.25;
        snare(mixer, rng, at(mainBar - 2, beat), 0.25f + 0.65f * step / 24.0f);
    }
}

// Full drums, the driving sixteenth bass, the arpeggio and the lead melody.
void Song::mainPart() {
    const Patch pluck = pluckPatch();
    const Place crashPlace{-0.2f, 0.2f, 0.0f, false};
    cymbal(mixer, rng, at(mainBar), 0.9f, 1.0f, crashPlace);
    cymbal(mixer, rng, at(mainBar + 16), 0.7f, 1.0f, crashPlace);
    for (int bar = mainBar; bar < particleBar; ++bar) {
        const ChordShape& chord = chordAt(bar);
        for (int beat = 0; beat < 4; ++beat) {
            kick(mixer, at(bar, beat), 1.0f);
            if (beat % 2 == 1) {
                snare(mixer, rng, at(bar, beat), 0.9f);
                clap(mixer, rng, at(bar, beat), 0.6f);
            }
        }
        if (bar == mainBar + 15 || bar == particleBar - 1) {
            for (double beat : {3.5, 3.75}) {
                snare(mixer, rng, at(bar, beat), 0.6f);
            }
        }
        for (int step = 0; step < stepsPerBar; ++step) {
            const double beat = step / 4.0;
            const bool open = step % 4 == 2;
            cymbal(mixer, rng, at(bar, beat), open ? 0.5f : (step % 2 ? 0.3f : 0.45f), open ? 0.16f : 0.035f,
                   Place{0.25f, 0.05f, 0.0f, false});
            synthNote(mixer, rng, at(bar, beat), beats(0.18), chord.root + bassOctaves[step], step % 2 ? 0.75f : 1.0f,
                      bassPatch(260.0f), Place{0.0f, 0.0f, 0.0f, true});
            const int note = step % 4 == 3 ? chord.tones[0] + 24 : chord.tones[step % 4] + 12;
            synthNote(mixer, rng, at(bar, beat), beats(0.2), note, 0.45f, pluck,
                      Place{step % 2 ? 0.4f : -0.4f, 0.2f, 0.2f, true});
        }
    }
    const int segments[] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 3};
    const Patch lead = leadPatch(1100.0f, 2600.0f);
    for (std::size_t j = 0; j < std::size(segments); ++j) {
        melody(mainBar + 2 * static_cast<int>(j), segments[j], 0.9f, lead, Place{0.05f, 0.25f, 0.22f, false});
    }
}

// Sparkling bell arpeggios over a half-time kick, light hats, airy pads and a round bass.
void Song::particles() {
    cymbal(mixer, rng, at(particleBar), 0.6f, 1.0f, Place{0.2f, 0.3f, 0.0f, false});
    sustainedBass(particleBar, outroBar, 0.7f);
    for (int bar = particleBar; bar < outroBar; ++bar) {
        const ChordShape& chord = chordAt(bar);
        kick(mixer, at(bar), 0.6f);
        kick(mixer, at(bar, 2), 0.5f);
        if ((bar - particleBar) % 4 == 0) {
            noiseSwell(mixer, rng, at(bar), beats(16.0), 6000.0f, 11000.0f, 0.08f, SwellShape::Arch,
                       Place{0.0f, 0.5f, 0.0f, false});
        }
        for (int step = 0; step < stepsPerBar; ++step) {
            const double beat = step / 4.0;
            const bool open = step % 8 == 6;
            cymbal(mixer, rng, at(bar, beat), open ? 0.5f : 0.3f, open ? 0.2f : 0.03f, Place{0.3f, 0.1f, 0.0f, false});
            // Up and down a six-note ladder of chord tones: ten steps against sixteen, so the
            // figure shifts across the bar like the particle trails.
            const int position = (bar * stepsPerBar + step) % 10;
            const int rung = position < 6 ? position : 10 - position;
            const int note = chord.tones[rung % 3] + 12 * (1 + rung / 3);
            bell(mixer, at(bar, beat), note, step % 4 == 0 ? 0.7f : 0.45f, 0.22f, 3.5f, 0.9f,
                 Place{step % 2 ? 0.55f : -0.55f, 0.3f, 0.35f, false});
            if (bar >= particleBar + 8 && step % 2 == 0) {
                bell(mixer, at(bar, beat + 0.125), chord.tones[(step / 2) % 3] + 36, 0.25f, 0.3f, 3.5f, 0.6f,
                     Place{step % 4 ? -0.7f : 0.7f, 0.4f, 0.4f, false});
            }
        }
    }
}

// The melody fades over a closing pad while the drums thin out and the rain returns.
void Song::outro() {
    sustainedBass(outroBar, 101, 0.6f);
    for (int bar = outroBar; bar < 101; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            const bool play = bar < 93 || (bar < 97 && beat % 2 == 0) || beat == 0;
            if (play) {
                kick(mixer, at(bar, beat), bar < 93 ? 0.8f : bar < 97 ? 0.6f : 0.45f);
            }
        }
        if (bar < 95) {
            for (int beat = 0; beat < 4; ++beat) {
                cymbal(mixer, rng, at(bar, beat + 0.5), 0.3f * (1.0f - (bar - outroBar) / 6.0f), 0.035f,
                       Place{0.25f, 0.1f, 0.0f, false});
            }
        }
    }
    const Patch lead = leadPatch(800.0f, 1200.0f);
    for (int segment = 0; segment < 8; ++segment) {
        melody(outroBar + 2 * segment, segment, 0.85f - 0.07f * segment, lead, Place{0.1f, 0.4f, 0.45f, false});
    }
    rain(97, static_cast<int>(songBars), 0.2f, 0.04f);
}

}  // namespace

void renderScore(Mixer& mix) {
    Song(mix).render();
}

Mastering scoreMastering() {
    const double bar = 4.0 * beatSeconds;
    return Mastering{192.0, 204.5, mainBar * bar, particleBar * bar, -15.0f, -1.5f};
}

std::vector<SectionSpan> sectionSpans() {
    std::vector<SectionSpan> spans;
    for (std::size_t s = 0; s < std::size(sectionPlan); ++s) {
        const double end = s + 1 < std::size(sectionPlan) ? sectionPlan[s + 1].firstBar : songBars;
        spans.push_back({sectionPlan[s].name, sectionPlan[s].firstBar * 4.0 * beatSeconds, end * 4.0 * beatSeconds});
    }
    return spans;
}

}  // namespace Tramble
