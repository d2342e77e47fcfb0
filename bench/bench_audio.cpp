// Cost of the demo's music: how many times faster than real time the audio library decodes
// data/sounds/tramble.mp3, and what share of one CPU the process spends while it plays on
// SDL's dummy driver. Run from the repository root.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass.h"
#include "audio/mp3stream.h"

namespace {

using namespace Tramble;

// The demo's music; until it exists, a one-second test tone stands in.
const char* const trackPath = "data/sounds/tramble.mp3";
const char* const standInPath = "tests/audio/data/tone440_1000ms_stereo44k_cbr.mp3";
// The demo's output rate, Hz.
const long outputRate = 44100;
// Frames per read: one device buffer of the library's output.
const std::size_t readFrames = 1024;
// How long the CPU share is measured over.
const std::chrono::seconds playTime(4);

std::string musicFile() {
    return std::ifstream(trackPath).good() ? trackPath : standInPath;
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// One iteration decodes the whole file; "audio_seconds" per second of wall time is the
// decoding speed in times real time.
void decodeTrack(benchmark::State& state) {
    const std::string file = musicFile();
    state.SetLabel(file);
    std::vector<std::int16_t> buffer(readFrames * 2);
    std::size_t frames = 0;
    for (auto _ : state) {
        Mp3Stream::OpenError error = Mp3Stream::OpenError::None;
        std::unique_ptr<Mp3Stream> stream = Mp3Stream::open(file, outputRate, error);
        if (!stream) {
            state.SkipWithError("cannot open the music");
            return;
        }
        std::size_t got = 0;
        while ((got = stream->read(buffer.data(), readFrames)) > 0) {
            frames += got;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["audio_seconds"] =
        benchmark::Counter(static_cast<double>(frames) / outputRate, benchmark::Counter::kIsRate);
}
BENCHMARK(decodeTrack)->Unit(benchmark::kMillisecond);

// Plays the music through the library for a few seconds of wall time; "cpu_percent" is the
// process's CPU time over that wall time: decoding, mixing and SDL's audio thread together.
void playTrack(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string file = musicFile();
    state.SetLabel(file);
    if (!BASS_Init(1, outputRate, BASS_DEVICE_LATENCY, nullptr, nullptr)) {
        state.SkipWithError("cannot open the output");
        return;
    }
    double cpuShare = 0.0;
    for (auto _ : state) {
        const HSTREAM stream = BASS_StreamCreateFile(0, file.c_str(), 0, 0, 0);
        if (!BASS_StreamPlay(stream, 0, 0)) {
            state.SkipWithError("cannot play the music");
            break;
        }
        const double cpuBefore = processCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(playTime);
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
        cpuShare = (processCpuSeconds() - cpuBefore) / wall.count();
        state.SetIterationTime(wall.count());
        state.counters["played_seconds"] = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream));
    }
    state.counters["cpu_percent"] = 100.0 * cpuShare;
    BASS_Free();
}
BENCHMARK(playTrack)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
