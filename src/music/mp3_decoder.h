// An MP3 file image in memory decoded by libmpg123 to interleaved 16-bit PCM at the
// file's own rate and channel count. The encoder's delay and padding are trimmed
// (from the LAME tag), so sample 0 is the first sample of the music itself and the
// length is exactly what was encoded. Any bytes are safe to open; the work of an
// open or a decode grows with the size of the image and of the chunk, nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct mpg123_handle_struct;
struct Mp3ImageCursor;

class Mp3Decoder {
    struct Key {
        explicit Key() = default;
    };

public:
    // Null when the bytes are not an MP3 stream, with the reason in *why. The bytes are
    // read in place, so they must outlive the decoder.
    static std::unique_ptr<Mp3Decoder> Open(const unsigned char *data, size_t size, std::string *why = nullptr);
    explicit Mp3Decoder(Key);
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    int SampleRate() const { return rate_; }
    int Channels() const { return channels_; }
    // Sample frames in the whole stream: what Decode gives from the start to the end.
    uint64_t Frames() const { return frames_; }
    // Decodes the next frames, at most maxFrames, into out (room for maxFrames ×
    // Channels() samples). Fewer than asked only at the end of the data; 0 after it.
    size_t Decode(int16_t *out, size_t maxFrames);
    // Makes `frame` the next one Decode gives; at or past the end, Decode gives no
    // more. False, and no more either, when the stream cannot be positioned there.
    bool Seek(uint64_t frame);

    struct HandleDeleter {
        void operator()(mpg123_handle_struct *handle) const;
    };

private:
    std::unique_ptr<Mp3ImageCursor> image_; // before handle_, which reads it until deleted
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
    int rate_ = 0;
    int channels_ = 0;
    uint64_t frames_ = 0;
    bool ended_ = false;
};
