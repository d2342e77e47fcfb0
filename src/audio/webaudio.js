// The browser's side of the audio library (linked with --js-library): when the browser plays
// each buffer Emscripten's SDL audio hands it, and the output status that SDL lacks.
// Emscripten's SDL asks the program for a buffer, then schedules it at once to start where
// the one before it ends (or a little after now, after a gap), up to about 166 ms ahead.
mergeInto(LibraryManager.library, {
  // starts: each buffer's start in the audio context's seconds, by number modulo its length;
  // NaN for a buffer the output never scheduled (paused). pushed: buffers handed over so far.
  $TrambleAudio: {
    starts: null,
    pushed: 0,
  },

  tramble_audio_watch__deps: ['$SDL', '$TrambleAudio'],
  tramble_audio_watch: function(buffers) {
    TrambleAudio.starts = new Float64Array(buffers).fill(NaN);
    TrambleAudio.pushed = 0;
    var push = SDL.audio.pushAudio;
    SDL.audio.pushAudio = function(pointer, bytes) {
      var end = SDL.audio.nextPlayTime;
      push(pointer, bytes);
      // SDL moves its next start to the end of the buffer it has scheduled.
      var start = SDL.audio.nextPlayTime != end ? SDL.audio.nextPlayTime - SDL.audio.bufferDurationSecs : NaN;
      TrambleAudio.starts[TrambleAudio.pushed % buffers] = start;
      TrambleAudio.pushed++;
    };
  },

  // The latest buffer to have started by the context's clock less its output latency: its
  // number, and the seconds since its start in *secondsIn. -1 before any has started.
  tramble_audio_heard__deps: ['$SDL', '$TrambleAudio'],
  tramble_audio_heard: function(secondsIn) {
    var starts = TrambleAudio.starts;
    if (!SDL.audio || !starts) return -1;
    var now = SDL.audioContext.currentTime - (SDL.audioContext.outputLatency || 0);
    var oldest = Math.max(0, TrambleAudio.pushed - starts.length);
    for (var n = TrambleAudio.pushed - 1; n >= oldest; --n) {
      var start = starts[n % starts.length];
      if (start <= now) {
        HEAPF64[secondsIn >> 3] = now - start;
        return n;
      }
    }
    return -1;
  },

  // SDL_AUDIO_STOPPED without an output, SDL_AUDIO_PLAYING once SDL_PauseAudio(0) has run,
  // SDL_AUDIO_PAUSED otherwise.
  SDL_GetAudioStatus__deps: ['$SDL'],
  SDL_GetAudioStatus: function() {
    if (!SDL.audio) return 0;
    return SDL.audio.paused === 0 ? 1 : 2;
  },
});
