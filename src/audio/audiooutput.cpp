// The audio library's output: opens SDL's default audio device, decodes the playing streams
// inside SDL's callback and counts, per stream, the bytes handed to the device; that count is
// the stream's position. In a browser the position is found from when the browser plays each
// buffer (webaudio.js).
#include "audio/audiooutput.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#ifdef __EMSCRIPTEN__
extern "C" {
// webaudio.js: starts noting when the browser plays each buffer; called once SDL has opened
// its output, with how many buffers to remember.
void tramble_audio_watch(int buffers);
// The number of the buffer playing now and the seconds played of it; -1 before any.
double tramble_audio_heard(double* secondsIn);
}
#endif

namespace Tramble {

namespace {

// Device 1 is the default output SDL opens; -1 asks for the default too.
constexpr int defaultDevice = 1;
constexpr int anyDevice = -1;
// Accepted output rates in Hz.
constexpr DWORD minRate = 8000;
constexpr DWORD maxRate = 192000;
// Device buffer in sample frames: 1024 at 44.1 hz is 23 ms, the output latency.
constexpr Uint16 deviceBufferFrames = 1024;
constexpr int channelCount = 2;
// Bytes per output sample frame: two signed 16-bit samples.
constexpr DWORD bytesPerFrame = channelCount * sizeof(std::int16_t);

class AudioLock {
public:
    AudioLock() { SDL_LockAudio(); }
    ~AudioLock() { SDL_UnlockAudio(); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

void SDLCALL fillDeviceBuffer(void* output, Uint8* buffer, int length) {
    // SDL hands out buffers aligned for its sample format, signed 16-bit here.
    static_cast<AudioOutput*>(output)->mix(reinterpret_cast<std::int16_t*>(buffer),
                                           static_cast<std::size_t>(length) / bytesPerFrame);
}

int openError(Mp3Stream::OpenError error) {
    switch (error) {
        case Mp3Stream::OpenError::FileOpen: return BASS_ERROR_FILEOPEN;
        case Mp3Stream::OpenError::Format: return BASS_ERROR_FILEFORM;
        case Mp3Stream::OpenError::Memory: return BASS_ERROR_MEM;
        case Mp3Stream::OpenError::None: break;
    }
    return BASS_OK;
}

}  // namespace

AudioOutput::~AudioOutput() {
    close();
}

bool AudioOutput::stillOpen() {
    if (isOpen && hasDevice && (!SDL_WasInit(SDL_INIT_AUDIO) || SDL_GetAudioStatus() == SDL_AUDIO_STOPPED)) {
        // SDL has closed the device and joined its thread: nothing calls mix() any more.
        channels.clear();
        isOpen = false;
        ownsSubsystem = false;
    }
    return isOpen;
}

int AudioOutput::open(int device, DWORD frequency, DWORD flags) {
    if (stillOpen()) {
        return BASS_ERROR_ALREADY;
    }
    if (device != defaultDevice && device != anyDevice) {
        return BASS_ERROR_DEVICE;
    }
    if (flags & ~DWORD(BASS_DEVICE_LATENCY)) {
        return BASS_ERROR_NOTAVAIL;
    }
    if (frequency < minRate || frequency > maxRate) {
        return BASS_ERROR_ILLPARAM;
    }

    const bool subsystemWasUp = SDL_WasInit(SDL_INIT_AUDIO) != 0;
    if (!subsystemWasUp && SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        return BASS_ERROR_DRIVER;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(frequency);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = channelCount;
    wanted.samples = deviceBufferFrames;
    wanted.callback = fillDeviceBuffer;
    wanted.userdata = this;
    // No "obtained" format: SDL converts to whatever the hardware takes, so mix() always sees
    // exactly this format.
    if (SDL_OpenAudio(&wanted, nullptr) < 0) {
        if (!subsystemWasUp) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        return BASS_ERROR_DRIVER;
    }
    ownsSubsystem = !subsystemWasUp;
#ifdef __EMSCRIPTEN__
    tramble_audio_watch(static_cast<int>(recordedBuffers));
#endif
    becomeOpen(frequency, flags, wanted.samples, true);
    SDL_PauseAudio(0);
    return BASS_OK;
}

int AudioOutput::openWithoutDevice(DWORD frequency) {
    if (stillOpen()) {
        return BASS_ERROR_ALREADY;
    }
    if (frequency < minRate || frequency > maxRate) {
        return BASS_ERROR_ILLPARAM;
    }
    becomeOpen(frequency, 0, deviceBufferFrames, false);
    return BASS_OK;
}

void AudioOutput::becomeOpen(DWORD frequency, DWORD flags, DWORD frames, bool device) {
    isOpen = true;
    paused = false;
#ifdef __EMSCRIPTEN__
    buffersMixed = 0;
#endif
    hasDevice = device;
    this->frequency = frequency;
    initFlags = flags;
    bufferFrames = frames;
    scratch.assign(bufferFrames * channelCount, 0);
    // A buffer that was just handed over is heard once the one before it has played, one
    // buffer's length later. SDL 1.2 cannot tell the delay behind the device, so that is the
    // latency: derived, rounded up to whole milliseconds.
    latencyMs =
        (flags & BASS_DEVICE_LATENCY) ? static_cast<DWORD>((bufferFrames * 1000ull + frequency - 1) / frequency) : 0;
}

int AudioOutput::close() {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    // Joins the callback thread, so the streams can go without the lock.
    if (hasDevice) {
        SDL_CloseAudio();
    }
    if (ownsSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    channels.clear();
    isOpen = false;
    ownsSubsystem = false;
    return BASS_OK;
}

int AudioOutput::start() {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    SDL_PauseAudio(0);
    paused = false;
    return BASS_OK;
}

int AudioOutput::stop() {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    SDL_PauseAudio(1);
    paused = true;
    return BASS_OK;
}

int AudioOutput::info(BASS_INFO& info) {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    if (info.size != sizeof(BASS_INFO)) {
        return BASS_ERROR_ILLPARAM;
    }
    info = BASS_INFO{};
    info.size = sizeof(BASS_INFO);
    info.minrate = frequency;
    info.maxrate = frequency;
    info.minbuf = static_cast<DWORD>((bufferFrames * 1000ull + frequency - 1) / frequency);
    info.latency = latencyMs;
    info.initflags = initFlags;
    info.speakers = channelCount;
    info.freq = frequency;
    return BASS_OK;
}

int AudioOutput::createStream(const char* path, HSTREAM& handle) {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    if (!path) {
        return BASS_ERROR_ILLPARAM;
    }
    // Opening reads the file, so it happens outside the lock.
    Mp3Stream::OpenError error = Mp3Stream::OpenError::None;
    std::unique_ptr<Mp3Stream> decoder = Mp3Stream::open(path, frequency, error);
    if (!decoder) {
        return openError(error);
    }
    auto channel = std::make_unique<Channel>();
    channel->decoder = std::move(decoder);
    AudioLock lock;
    handle = ++lastHandle;
    channels.emplace(handle, std::move(channel));
    return BASS_OK;
}

int AudioOutput::play(HSTREAM handle, bool restart) {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    AudioLock lock;
    Channel* channel = find(handle);
    if (!channel) {
        return BASS_ERROR_HANDLE;
    }
    if (restart) {
        if (!channel->decoder->rewind()) {
            return BASS_ERROR_FILEOPEN;
        }
        channel->position = 0;
#ifdef __EMSCRIPTEN__
        channel->buffers.fill(BufferRecord());
#endif
    }
    channel->playing = true;
    return BASS_OK;
}

template <class Read>
int AudioOutput::readChannel(DWORD handle, Read read) {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    AudioLock lock;
    const Channel* channel = find(handle);
    if (!channel) {
        return BASS_ERROR_HANDLE;
    }
    read(*channel);
    return BASS_OK;
}

#ifdef __EMSCRIPTEN__
int AudioOutput::position(DWORD handle, QWORD& bytes) {
    const QWORD latencyBytes = QWORD(latencyMs) * frequency / 1000 * bytesPerFrame;
    return readChannel(
        handle, [this, &bytes, latencyBytes](const Channel& channel) { bytes = heardBytes(channel) + latencyBytes; });
}

QWORD AudioOutput::heardBytes(const Channel& channel) const {
    double secondsIn = 0.0;
    const double playing = tramble_audio_heard(&secondsIn);
    const BufferRecord* heard = nullptr;
    for (const BufferRecord& record : channel.buffers) {
        if (record.number != QWORD(-1) && playing >= 0.0 && record.number <= QWORD(playing) &&
            (heard == nullptr || record.number > heard->number)) {
            heard = &record;
        }
    }
    if (heard == nullptr) {
        return 0;
    }
    if (heard->number < QWORD(playing)) {
        return heard->start + heard->bytes;
    }
    const QWORD played = static_cast<QWORD>(std::floor(secondsIn * frequency)) * bytesPerFrame;
    return heard->start + std::min(played, heard->bytes);
}
#else
int AudioOutput::position(DWORD handle, QWORD& bytes) {
    return readChannel(handle, [&bytes](const Channel& channel) { bytes = channel.position; });
}
#endif

int AudioOutput::seconds(DWORD handle, QWORD bytes, float& seconds) {
    if (!stillOpen()) {
        return BASS_ERROR_INIT;
    }
    // Only the main thread adds or removes channels, so it may look one up unlocked.
    if (!find(handle)) {
        return BASS_ERROR_HANDLE;
    }
    if (bytes == QWORD(-1)) {
        return BASS_ERROR_ILLPARAM;
    }
    seconds = static_cast<float>(static_cast<double>(bytes) / (frequency * bytesPerFrame));
    return BASS_OK;
}

int AudioOutput::activity(DWORD handle, DWORD& state) {
    return readChannel(handle, [&state](const Channel& channel) {
        if (!channel.playing || channel.decoder->ended()) {
            state = BASS_ACTIVE_STOPPED;
        } else {
            state = SDL_GetAudioStatus() == SDL_AUDIO_PLAYING ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_PAUSED;
        }
    });
}

void AudioOutput::mix(std::int16_t* out, std::size_t frames) {
    const std::size_t samples = frames * channelCount;
    std::fill(out, out + samples, std::int16_t{0});
#ifdef __EMSCRIPTEN__
    // Numbered even when silent: the browser schedules every buffer it asks for.
    const QWORD number = buffersMixed++;
#endif
    if (paused) {
        return;
    }
    if (scratch.size() < samples) {
        scratch.resize(samples);
    }
    for (auto& entry : channels) {
        Channel& channel = *entry.second;
        if (!channel.playing) {
            continue;
        }
        const std::size_t got = channel.decoder->read(scratch.data(), frames);
#ifdef __EMSCRIPTEN__
        channel.buffers[number % recordedBuffers] = BufferRecord{number, channel.position, got * bytesPerFrame};
#endif
        channel.position += got * bytesPerFrame;
        for (std::size_t i = 0; i < got * channelCount; ++i) {
            out[i] = static_cast<std::int16_t>(std::clamp(out[i] + scratch[i], -32768, 32767));
        }
    }
}

AudioOutput::Channel* AudioOutput::find(DWORD handle) {
    const auto found = channels.find(handle);
    return found == channels.end() ? nullptr : found->second.get();
}

}  // namespace Tramble
