// Streaming MP3 decoder of the audio library: libmpg123 decodes to interleaved stereo float at
// the file's own rate, libsyn123 resamples to the output rate when needed, and the result is
// rounded to signed 16-bit for the output device.
#include "audio/mp3stream.h"

#include <mpg123.h>
#include <syn123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Tramble {

namespace {

// Output channels: every stream comes out as stereo, mono sources are doubled.
constexpr int channelCount = 2;
// Sample frames decoded per libmpg123 read: about two MPEG frames, so one read fills a
// typical device buffer without holding more than a few kilobytes.
constexpr std::size_t largestChunkFrames = 2048;
// Reads that may yield no samples in a row before the stream is taken as broken; guards the
// callback against a decoder that keeps answering "ok" without producing audio.
constexpr int maxEmptyReads = 64;
// Scale from float samples in [-1, 1] to signed 16-bit.
constexpr float fullScale = 32767.0f;

std::int16_t toSample(float value) {
    const float scaled = std::clamp(value * fullScale, -32768.0f, 32767.0f);
    return static_cast<std::int16_t>(std::lrint(scaled));
}

}  // namespace

void Mp3Stream::DecoderDeleter::operator()(mpg123_handle_struct* handle) const {
    mpg123_delete(handle);
}

void Mp3Stream::ResamplerDeleter::operator()(syn123_struct* handle) const {
    syn123_del(handle);
}

Mp3Stream::Mp3Stream(long outputRate) : outputRate(outputRate), decoded(largestChunkFrames * channelCount) {}

Mp3Stream::~Mp3Stream() = default;

std::unique_ptr<Mp3Stream> Mp3Stream::open(const std::string& path, long outputRate, OpenError& error) {
    std::unique_ptr<Mp3Stream> stream(new Mp3Stream(outputRate));
    int status = MPG123_OK;
    stream->decoder.reset(mpg123_new(nullptr, &status));
    mpg123_handle* handle = stream->decoder.get();
    if (!handle) {
        error = OpenError::Memory;
        return nullptr;
    }
    // Float stereo at whatever rate the file has; rate conversion is done by syn123, which
    // sounds far better than libmpg123's own drop-sample resampler.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0.0);
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i) {
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
    }

    if (mpg123_open(handle, path.c_str()) != MPG123_OK) {
        error = OpenError::FileOpen;
        return nullptr;
    }
    // Finding the first frame is what tells MPEG audio from anything else: libmpg123 checks
    // that consecutive headers agree before it accepts a format.
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK) {
        error = OpenError::Format;
        return nullptr;
    }
    if (!stream->setInputRate(rate)) {
        error = OpenError::Memory;
        return nullptr;
    }
    error = OpenError::None;
    return stream;
}

bool Mp3Stream::setInputRate(long rate) {
    inputRate = rate;
    resampling = rate != outputRate;
    chunkFrames = largestChunkFrames;
    if (!resampling) {
        return true;
    }
    if (!resampler) {
        int status = SYN123_OK;
        resampler.reset(syn123_new(outputRate, channelCount, MPG123_ENC_FLOAT_32, 0, &status));
        if (!resampler) {
            return false;
        }
    }
    // Changing only the rates keeps the resampler's history, so a rate change in mid-stream
    // does not click.
    if (syn123_setup_resample(resampler.get(), rate, outputRate, channelCount, 0, 0) != SYN123_OK) {
        return false;
    }
    chunkFrames = std::min(largestChunkFrames, syn123_resample_maxincount(rate, outputRate));
    resampled.resize(syn123_resample_count(rate, outputRate, chunkFrames) * channelCount);
    return !resampled.empty();
}

bool Mp3Stream::refill() {
    mpg123_handle* handle = decoder.get();
    for (int emptyReads = 0; !decoderDone && emptyReads < maxEmptyReads; ++emptyReads) {
        std::size_t bytes = 0;
        const int status = mpg123_read(handle, decoded.data(), chunkFrames * channelCount * sizeof(float), &bytes);
        if (status == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || !setInputRate(rate)) {
                decoderDone = true;
            }
        } else if (status != MPG123_OK) {
            // The end of the file, or damage libmpg123 could not resync past: either way the
            // stream is over, after whatever this last read produced.
            decoderDone = true;
        }
        const std::size_t frames = bytes / (channelCount * sizeof(float));
        if (resampling) {
            pending = resampled.data();
            pendingFrames = frames ? syn123_resample(resampler.get(), resampled.data(), decoded.data(), frames) : 0;
        } else {
            pending = decoded.data();
            pendingFrames = frames;
        }
        if (pendingFrames > 0) {
            return true;
        }
    }
    decoderDone = true;
    return false;
}

std::size_t Mp3Stream::read(std::int16_t* out, std::size_t frames) {
    std::size_t written = 0;
    while (written < frames) {
        if (pendingFrames == 0 && !refill()) {
            break;
        }
        const std::size_t count = std::min(frames - written, pendingFrames);
        std::transform(pending, pending + count * channelCount, out + written * channelCount, toSample);
        pending += count * channelCount;
        pendingFrames -= count;
        written += count;
    }
    return written;
}

bool Mp3Stream::rewind() {
    mpg123_handle* handle = decoder.get();
    if (mpg123_seek(handle, 0, SEEK_SET) < 0) {
        return false;
    }
    pendingFrames = 0;
    decoderDone = false;
    // A fresh resampler: the history of the old position must not leak into the new one.
    resampler.reset();
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    return mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && setInputRate(rate);
}

}  // namespace Tramble
