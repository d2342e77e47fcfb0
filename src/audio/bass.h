/* Tramble's own small audio library: the C-style calls the sound task makes to play one MP3
 * stream, over SDL 1.2 audio output and libmpg123 decoding. Calls return non-zero on success
 * and 0 on failure; BASS_ErrorGetCode tells why the last call failed. Main thread only. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int BOOL;
typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef DWORD HSTREAM;

/* BASS_Init flag: fill BASS_INFO.latency with the delay from handing data to the output
 * device until it reaches the speaker. Without it the latency reads as 0. */
#define BASS_DEVICE_LATENCY 0x100

/* Error codes of BASS_ErrorGetCode. */
#define BASS_OK 0              /* the last call succeeded */
#define BASS_ERROR_MEM 1       /* out of memory */
#define BASS_ERROR_FILEOPEN 2  /* the file could not be opened or read */
#define BASS_ERROR_DRIVER 3    /* no audio driver, or it could not open the output */
#define BASS_ERROR_HANDLE 5    /* not a handle of a live stream */
#define BASS_ERROR_INIT 8      /* BASS_Init has not been called successfully */
#define BASS_ERROR_ALREADY 14  /* already initialised */
#define BASS_ERROR_ILLPARAM 20 /* an argument is out of range */
#define BASS_ERROR_DEVICE 23   /* no such output device */
#define BASS_ERROR_NOTAVAIL 37 /* a mode or flag this library does not offer */
#define BASS_ERROR_FILEFORM 41 /* the file holds no playable MPEG audio */

/* States of BASS_ChannelIsActive. */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_PAUSED 3

/* Output information. Every field is 32 bits wide so the record is 60 bytes on any target;
 * callers set size to sizeof(BASS_INFO) before BASS_GetInfo. */
typedef struct {
    DWORD size;      /* size of this record in bytes, set by the caller */
    DWORD flags;     /* device capabilities: none are reported */
    DWORD hwsize;    /* hardware mixing memory: 0, all mixing is in software */
    DWORD hwfree;    /* free hardware mixing memory: 0 */
    DWORD freesam;   /* free sample slots: 0 */
    DWORD free3d;    /* free 3D slots: 0 */
    DWORD minrate;   /* lowest output rate in Hz: the rate given to BASS_Init */
    DWORD maxrate;   /* highest output rate in Hz: the rate given to BASS_Init */
    DWORD eax;       /* EAX support: 0 */
    DWORD minbuf;    /* length of the device buffer in ms */
    DWORD dsver;     /* DirectSound version: 0 */
    DWORD latency;   /* ms from data handed to the device until it is heard (0 unless measured) */
    DWORD initflags; /* the flags given to BASS_Init */
    DWORD speakers;  /* output channels: 2 */
    DWORD freq;      /* output rate in Hz */
} BASS_INFO;

/* Opens the output: device 1 (or -1) is the default output that SDL opens, at freq Hz,
 * stereo, signed 16-bit. The output runs from here on. win and clsid are ignored. */
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
/* Closes the output and releases every stream. */
BOOL BASS_Free(void);
/* Resumes the output after BASS_Stop; streams go on where they were. */
BOOL BASS_Start(void);
/* Pauses the output: no stream advances until BASS_Start. */
BOOL BASS_Stop(void);
BOOL BASS_GetInfo(BASS_INFO* info);
/* Why the last call failed: BASS_OK after a success, else one of the BASS_ERROR_ codes. */
int BASS_ErrorGetCode(void);

/* Opens an MP3 file for streaming (decoded while it plays, never read whole). Only files are
 * supported: mem must be 0, offset and length 0 (the whole file), flags 0. Returns the
 * stream's handle, or 0. */
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
/* Starts the stream; with flush non-zero it restarts from its beginning. flags must be 0.
 * A stream that reaches its end stays silent. */
BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);
/* Bytes of the stream handed to the output device so far, in the output format (4 bytes per
 * sample frame). Subtract the latency to get what is being heard. (QWORD)-1 on error. */
QWORD BASS_ChannelGetPosition(DWORD handle);
/* Converts a byte position of the stream to seconds; negative on error, also for (QWORD)-1. */
float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
/* Whether the stream's position is moving: BASS_ACTIVE_PLAYING while it plays on a running
 * output, BASS_ACTIVE_PAUSED while the output is stopped, BASS_ACTIVE_STOPPED before it is
 * played, once its audio has run out, and for a handle that is not a live stream. */
DWORD BASS_ChannelIsActive(DWORD handle);

#ifdef __cplusplus
}
#endif
