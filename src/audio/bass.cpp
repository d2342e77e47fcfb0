// The audio library's C entry points: each forwards to the one AudioOutput and records why it
// failed for BASS_ErrorGetCode. The output is a static object, so whatever the caller never
// frees is released at process exit.
#include "audio/bass.h"

#include "audio/audiooutput.h"

static_assert(sizeof(BASS_INFO) == 60, "BASS_INFO must keep its 60-byte layout");

namespace {

Tramble::AudioOutput output;
int lastError = BASS_OK;

// Records error and turns it into the call's success value.
BOOL report(int error) {
    lastError = error;
    return error == BASS_OK;
}

}  // namespace

Tramble::AudioOutput& Tramble::bassOutput() {
    return output;
}

extern "C" {

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void*, const void*) {
    return report(output.open(device, freq, flags));
}

BOOL BASS_Free(void) {
    return report(output.close());
}

BOOL BASS_Start(void) {
    return report(output.start());
}

BOOL BASS_Stop(void) {
    return report(output.stop());
}

BOOL BASS_GetInfo(BASS_INFO* info) {
    return report(info ? output.info(*info) : BASS_ERROR_ILLPARAM);
}

int BASS_ErrorGetCode(void) {
    return lastError;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) {
    if (mem || offset || length || flags) {
        return report(BASS_ERROR_NOTAVAIL);
    }
    HSTREAM handle = 0;
    return report(output.createStream(static_cast<const char*>(file), handle)) ? handle : 0;
}

BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags) {
    if (flags) {
        return report(BASS_ERROR_NOTAVAIL);
    }
    return report(output.play(handle, flush != 0));
}

QWORD BASS_ChannelGetPosition(DWORD handle) {
    QWORD bytes = 0;
    return report(output.position(handle, bytes)) ? bytes : QWORD(-1);
}

float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    float seconds = 0.0f;
    return report(output.seconds(handle, pos, seconds)) ? seconds : -1.0f;
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    DWORD state = BASS_ACTIVE_STOPPED;
    report(output.activity(handle, state));
    return state;
}

}  // extern "C"
