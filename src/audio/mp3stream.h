// Streaming MP3 decoder of the audio library: reads a file through libmpg123 a chunk at a time
// and hands out stereo signed 16-bit sample frames at the output rate, resampling with
// libsyn123 when the file's own rate differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mpg123_handle_struct;
struct syn123_struct;

namespace Tramble {

class Mp3Stream {
public:
    // Why open() gave no stream.
    enum class OpenError { None, FileOpen, Format, Memory };

    // Opens path and decodes its first frame header. Returns null (and sets error) when the
    // file cannot be read or holds no MPEG audio frame. outputRate is in Hz.
    static std::unique_ptr<Mp3Stream> open(const std::string& path, long outputRate, OpenError& error);
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    // Writes up to frames stereo frames (2 interleaved samples each) into out and returns how
    // many it wrote. Fewer than asked only at the end of the audio; from then on 0.
    std::size_t read(std::int16_t* out, std::size_t frames);
    // Goes back to the first sample; false if the file cannot seek.
    bool rewind();
    // True once every sample has been handed out.
    bool ended() const { return decoderDone && pendingFrames == 0; }
    // The file's own sample rate in Hz (the rate of its first frame).
    long sourceRate() const { return inputRate; }

private:
    struct DecoderDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    struct ResamplerDeleter {
        void operator()(syn123_struct* handle) const;
    };

    explicit Mp3Stream(long outputRate);
    bool setInputRate(long rate);
    // Decodes the next chunk into pending; false at the end of the audio.
    bool refill();

    std::unique_ptr<mpg123_handle_struct, DecoderDeleter> decoder;
    std::unique_ptr<syn123_struct, ResamplerDeleter> resampler;
    long outputRate;
    long inputRate = 0;
    bool resampling = false;
    bool decoderDone = false;
    // Frames asked of libmpg123 per read; at most largestChunkFrames, less if the resampler needs.
    std::size_t chunkFrames = 0;
    // Decoded float frames at the source rate, and (when resampling) at the output rate.
    std::vector<float> decoded;
    std::vector<float> resampled;
    // The frames not yet handed out: a window into decoded or resampled.
    const float* pending = nullptr;
    std::size_t pendingFrames = 0;
};

}  // namespace Tramble
