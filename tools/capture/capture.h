// The capture library's parts, each in front of the calls it wraps: the clock (clock.cpp,
// SDL_GetTicks), the picture (picture.cpp, glViewport and the frame read back before each
// swap), the sound (sound.cpp, every buffer the audio device is handed; audiopump.cpp, the
// device). capture.cpp wraps the swap, which ends each frame, and ends the run. Each part
// reads its own environment variables at its first use; a variable set wrong stops the
// program, since a capture asked for and not made must not pass for one.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace Tramble {
namespace Capture {

// Prints "tramble-capture: <message>" on standard error and exits with a failure.
[[noreturn]] void fail(const std::string& message);
// The variable's value; nullptr when it is unset or empty.
const char* variable(const char* name);
// The file the variable names, opened for writing; nullptr when the variable is unset.
FILE* openOutput(const char* name);
// CLOCK_REALTIME in ns: the frame and audio logs' clock, which tools/figures.py stamps the
// program's log with.
std::uint64_t wallClockNanoseconds();

// The number of the frame being drawn: how many swaps the program has asked for so far.
std::uint64_t frameNumber();
// The program's own clock: the ms it has been handed since its first SDL_GetTicks, the sum
// of its timer deltas.
Uint32 programMs();
// True on SDL's own clock, sped up or not; false on a fixed step per frame.
bool realClock();
// Ends the frame being drawn: the next one begins, and on a fixed step the audio device
// plays up to the next frame's clock.
void nextFrame();

// Before the swap: checks the clipping and reads the finished frame back where one is asked for.
void capturePicture(std::uint64_t frame);
// After the swap: clips the next frame when nobody reads it.
void preparePicture(std::uint64_t frame);
void finishPicture();

// Fills in the WAV file's header and closes the sound's files.
void finishSound();

}  // namespace Capture
}  // namespace Tramble
