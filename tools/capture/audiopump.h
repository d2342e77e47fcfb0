// SDL's audio device as the capture library sees it: every buffer the program's callback
// fills is shown to the sound part (sound.cpp), and on any clock but SDL's own the library
// drives the device itself, pulling the callback by hand on the main thread in step with
// that clock instead of letting SDL's audio thread play in real time.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace Tramble {
namespace AudioPump {

// Defined by the clock (clock.cpp): true when the library pulls the device itself (no
// device is opened, no thread runs; SDL_OpenAudio and the calls after it are answered here),
// false when SDL's own device plays. Asked at every wrapped call, so it must not change.
bool pullsByHand();

// Defined by the sound part (sound.cpp): sees each buffer right after the program's callback
// has filled it, on the thread that called it; bytes in the format the program opened the
// device with.
void observe(const Uint8* buffer, int bytes);

// The open device's sample frames per second; 0 while none is open.
int frequency();

// Moves a hand-pulled device's time on by `frames` sample frames: hands them to the
// program's callback a device buffer at most per call. The first time, it hands one buffer
// more, as a running device always has one buffer handed over ahead of what is heard.
// Nothing while the device is closed or paused (its time is lost then, as on a device).
// With TRAMBLE_AUDIO_HANG_AFTER_MS set, the device hangs once it has handed over that many
// ms: it stops calling the callback, as a hung output thread would, and still says it plays.
void advance(std::uint64_t frames);

}  // namespace AudioPump
}  // namespace Tramble
