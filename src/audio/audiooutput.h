// The audio library's output: one SDL 1.2 audio device and the streams mixed into it.
// Every call but mix() runs on the main thread; mix() runs on SDL's audio thread, and the two
// meet only under SDL's audio lock. In a browser everything runs on the main thread, and the
// browser plays each buffer at a time it chooses: a stream's position is then the music heard.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "audio/bass.h"
#include "audio/mp3stream.h"

namespace Tramble {

// Operations return BASS_OK or one of the BASS_ERROR_ codes.
class AudioOutput {
public:
    AudioOutput() = default;
    // Closes the device if SDL still has it open; safe after SDL_Quit.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the default device at frequency Hz, stereo, signed 16-bit, and starts it.
    int open(int device, DWORD frequency, DWORD flags);
    // Opens the output as open does but with no device behind it: nothing mixes but the
    // caller, who pulls mix() by hand. Lets the mixing path run where there is no audio.
    int openWithoutDevice(DWORD frequency);
    int close();
    int start();
    int stop();
    int info(BASS_INFO& info);

    int createStream(const char* path, HSTREAM& handle);
    // Makes the stream audible from the next device buffer on; restart rewinds it first.
    int play(HSTREAM handle, bool restart);
    // Bytes of the stream handed to the device, 4 per sample frame. In a browser, where what
    // is handed over runs ahead of what is heard by a varying amount, the bytes heard plus the
    // latency's worth, so that less the latency it is what is heard there too.
    int position(DWORD handle, QWORD& bytes);
    int seconds(DWORD handle, QWORD bytes, float& seconds);
    // One of the BASS_ACTIVE_ states.
    int activity(DWORD handle, DWORD& state);

    // Fills out with frames stereo frames: the sum of every playing stream, silence where
    // there is none. Called by the device callback with the audio lock held.
    void mix(std::int16_t* out, std::size_t frames);

private:
#ifdef __EMSCRIPTEN__
    // What one device buffer carried of a stream: its number among the buffers mixed since the
    // output opened, the stream's position at its start and its bytes of the stream.
    struct BufferRecord {
        QWORD number = QWORD(-1);
        QWORD start = 0;
        QWORD bytes = 0;
    };
    // Buffers remembered per stream: more than a browser queues ahead of what it plays.
    static constexpr std::size_t recordedBuffers = 64;
#endif

    struct Channel {
        std::unique_ptr<Mp3Stream> decoder;
        QWORD position = 0;  // bytes handed to the device
        bool playing = false;
#ifdef __EMSCRIPTEN__
        // The last buffers that carried the stream, by number modulo their count.
        std::array<BufferRecord, recordedBuffers> buffers;
#endif
    };

    // Whether the output is open, after dropping the device and the streams without calling
    // SDL when SDL has shut the device down behind our back (SDL_Quit by the kernel). Every
    // call starts with it.
    bool stillOpen();
    Channel* find(DWORD handle);
    // Calls read(const Channel&) under the audio lock once the output and the handle have
    // been checked; BASS_OK, or why it could not.
    template <class Read>
    int readChannel(DWORD handle, Read read);
    // The state every open output shares, once its device (if any) is running.
    void becomeOpen(DWORD frequency, DWORD flags, DWORD frames, bool device);
#ifdef __EMSCRIPTEN__
    // Bytes of the channel heard now: in the buffer the browser plays now (its audio clock
    // less its output latency), or at the end of the last buffer before it that carried the
    // stream; 0 before any did.
    QWORD heardBytes(const Channel& channel) const;
#endif

    bool isOpen = false;
    // Set by stop(): the browser's SDL still asks for buffers then, and gets silence.
    bool paused = false;
    bool hasDevice = false;
    bool ownsSubsystem = false;
    DWORD frequency = 0;
    DWORD initFlags = 0;
    DWORD bufferFrames = 0;
    DWORD latencyMs = 0;
    HSTREAM lastHandle = 0;
#ifdef __EMSCRIPTEN__
    QWORD buffersMixed = 0;
#endif
    std::map<HSTREAM, std::unique_ptr<Channel>> channels;
    // One stream's decoded frames before they are added into the device buffer.
    std::vector<std::int16_t> scratch;
};

// The one output the BASS_ calls forward to. Besides those calls, only a caller that opened
// it without a device and pulls mix() itself uses it (the fuzz target of the mixing path).
AudioOutput& bassOutput();

}  // namespace Tramble
