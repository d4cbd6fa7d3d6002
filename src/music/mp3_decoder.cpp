// Opening is where the decoder decides what is an MP3: libmpg123 alone will take a
// couple of header-like bytes in other data for frames, so an image must also hold
// Layer III frames that run on through most of it.

#include "music/mp3_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>
#include <sys/types.h>

#include <mpg123.h>

// How far libmpg123 may search for the next frame header after a broken one. Its
// default, said out loud: bytes that are not MP3 soon run out of it.
static const long RESYNC_LIMIT = 1024;
// Zero-byte reads in a row that end decoding: the library reports progress with
// every read, so a run of empty ones means it has nothing more to give.
static const int MAX_IDLE_READS = 4;
// Scratch space for counting the frames of a stream by decoding it.
static const size_t COUNT_CHUNK_BYTES = 16384;

// The bytes one libmpg123 handle reads, where it reads now, and the furthest its
// reads have reached (the open measures how far the frames run).
struct Mp3ImageCursor {
    const unsigned char *data = nullptr;
    size_t size = 0;
    size_t position = 0;
    size_t reach = 0;
};

using Handle = std::unique_ptr<mpg123_handle, Mp3Decoder::HandleDeleter>;

static mpg123_ssize_t ReadImage(void *cursor, void *buffer, size_t count)
{
    Mp3ImageCursor &image = *static_cast<Mp3ImageCursor *>(cursor);
    const size_t left = image.size - image.position;
    const size_t taken = std::min({count, left, size_t(std::numeric_limits<mpg123_ssize_t>::max())});
    if (taken > 0)
        std::memcpy(buffer, image.data + image.position, taken);
    image.position += taken;
    image.reach = std::max(image.reach, image.position);
    return mpg123_ssize_t(taken);
}

// The image size was checked to fit off_t at open, so base + offset cannot overflow
// once offset is known to lie within [-base, size - base].
static off_t SeekImage(void *cursor, off_t offset, int whence)
{
    Mp3ImageCursor &image = *static_cast<Mp3ImageCursor *>(cursor);
    off_t base;
    if (whence == SEEK_SET)
        base = 0;
    else if (whence == SEEK_CUR)
        base = off_t(image.position);
    else if (whence == SEEK_END)
        base = off_t(image.size);
    else
        return -1;
    if (offset < -base || offset > off_t(image.size) - base)
        return -1;
    image.position = size_t(base + offset);
    return base + offset;
}

static std::nullptr_t Refuse(std::string *why, const std::string &reason)
{
    if (why)
        *why = reason;
    return nullptr;
}

// A handle on the image that decodes to 16-bit samples at the stream's own rate and
// channel count, positioned at the first frame; null (and why) when there is no
// Layer III frame to start from.
static Handle OpenHandle(Mp3ImageCursor &image, int *rate, int *channels, std::string *why)
{
    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error));
    if (!handle)
        return Refuse(why, std::string("libmpg123: ") + mpg123_plain_strerror(error));
    mpg123_handle *h = handle.get();

    // Gapless: sample 0 is the first sample of the music. No Frankenstein streams: the
    // format stays the first frame's, and decoding stops where the LAME tag says the
    // music ends. ID3v2 tags are skipped unread: nothing here needs them. No
    // resampling: the sound output converts, and exactly.
    const long flags = MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN | MPG123_SKIP_ID3V2;
    bool ok = mpg123_param(h, MPG123_ADD_FLAGS, flags, 0.0) == MPG123_OK &&
              mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.0) == MPG123_OK &&
              mpg123_param(h, MPG123_RESYNC_LIMIT, RESYNC_LIMIT, 0.0) == MPG123_OK &&
              mpg123_format_none(h) == MPG123_OK;
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; ok && i < rateCount; i++)
        ok = mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
    if (!ok || mpg123_replace_reader_handle(h, ReadImage, SeekImage, nullptr) != MPG123_OK ||
        mpg123_open_handle(h, &image) != MPG123_OK)
        return Refuse(why, std::string("libmpg123: ") + mpg123_strerror(h));

    long frameRate = 0;
    int frameChannels = 0;
    int encoding = 0;
    if (mpg123_getformat(h, &frameRate, &frameChannels, &encoding) != MPG123_OK)
        return Refuse(why, "no MPEG audio frames");
    mpg123_frameinfo info{};
    if (mpg123_info(h, &info) != MPG123_OK)
        return Refuse(why, "no MPEG audio frames");
    if (info.layer != 3)
        return Refuse(why, "MPEG audio layer " + std::to_string(info.layer) + ", not layer III");
    if (encoding != MPG123_ENC_SIGNED_16 || frameRate != info.rate || frameRate <= 0 || frameChannels < 1 ||
        frameChannels > 2)
        return Refuse(why, "unsupported sample format");
    *rate = int(frameRate);
    *channels = frameChannels;
    return handle;
}

// Decodes into out until it holds `bytes` or the stream ends; returns the bytes written.
// A read error ends the stream where it stands: what decoded before it plays.
static size_t ReadPcm(mpg123_handle *handle, unsigned char *out, size_t bytes, bool *ended)
{
    size_t filled = 0;
    int idleReads = 0;
    while (filled < bytes && !*ended) {
        size_t done = 0;
        const int result = mpg123_read(handle, out + filled, bytes - filled, &done);
        filled += done;
        idleReads = done > 0 ? 0 : idleReads + 1;
        // NEW_FORMAT only says the format is known; with Frankenstein streams refused it
        // cannot change.
        const bool more = result == MPG123_OK || result == MPG123_NEW_FORMAT;
        if (!more || idleReads >= MAX_IDLE_READS)
            *ended = true;
    }
    return filled;
}

// Sample frames the image decodes to, counted by decoding it on a handle of its own.
static uint64_t CountFrames(const Mp3ImageCursor &from)
{
    Mp3ImageCursor image{from.data, from.size, 0, 0};
    int rate = 0;
    int channels = 0;
    Handle handle = OpenHandle(image, &rate, &channels, nullptr);
    if (!handle)
        return 0;
    std::vector<unsigned char> scratch(COUNT_CHUNK_BYTES);
    uint64_t bytes = 0;
    bool ended = false;
    while (!ended)
        bytes += ReadPcm(handle.get(), scratch.data(), scratch.size(), &ended);
    return bytes / (uint64_t(channels) * sizeof(int16_t));
}

void Mp3Decoder::HandleDeleter::operator()(mpg123_handle *handle) const { mpg123_delete(handle); }

Mp3Decoder::Mp3Decoder(Key) : image_(std::make_unique<Mp3ImageCursor>()) {}
Mp3Decoder::~Mp3Decoder() = default;

std::unique_ptr<Mp3Decoder> Mp3Decoder::Open(const unsigned char *data, size_t size, std::string *why)
{
    if (!data || size == 0)
        return Refuse(why, "empty");
    if (size > size_t(std::numeric_limits<off_t>::max()))
        return Refuse(why, "too large");

    auto decoder = std::make_unique<Mp3Decoder>(Key{});
    *decoder->image_ = Mp3ImageCursor{data, size, 0, 0};
    decoder->handle_ = OpenHandle(*decoder->image_, &decoder->rate_, &decoder->channels_, why);
    if (!decoder->handle_)
        return nullptr;

    // The length comes from a scan on a second handle: scanning a stream cut short
    // makes libmpg123 drop the LAME tag's delay, and playback must keep it.
    Mp3ImageCursor probeImage{data, size, 0, 0};
    int rate = 0;
    int channels = 0;
    Handle probe = OpenHandle(probeImage, &rate, &channels, why);
    if (!probe)
        return nullptr;
    const off_t firstFrame = mpg123_framepos(probe.get());
    probeImage.reach = 0;
    if (firstFrame < 0 || size_t(firstFrame) > size || mpg123_scan(probe.get()) != MPG123_OK)
        return Refuse(why, "unreadable MPEG audio frames");
    const off_t scanned = mpg123_length(probe.get());
    if (scanned <= 0)
        return Refuse(why, "no audio in its frames");
    // Frames of a real file follow one another to its end, but for tags; a few stray
    // header-like bytes in other data give a frame or two and then nothing.
    const size_t start = size_t(firstFrame);
    const size_t framed = probeImage.reach > start ? probeImage.reach - start : 0;
    if (framed < (size - start) / 2)
        return Refuse(why, "mostly not MPEG audio frames");

    // The scan's count holds when the playback handle expects the same. Otherwise its
    // tag promises other frames than the file has (a cut file, for one), and the scan
    // has dropped the tag's trimming; or there is no tag, only a guess from the size.
    // Then decoding tells.
    const off_t expected = mpg123_length(decoder->handle_.get());
    decoder->frames_ = expected == scanned ? uint64_t(scanned) : CountFrames(probeImage);
    if (decoder->frames_ == 0)
        return Refuse(why, "no audio in its frames");
    return decoder;
}

size_t Mp3Decoder::Decode(int16_t *out, size_t maxFrames)
{
    if (ended_ || !out || maxFrames == 0)
        return 0;
    const size_t frameBytes = size_t(channels_) * sizeof(int16_t);
    maxFrames = std::min(maxFrames, std::numeric_limits<size_t>::max() / frameBytes);
    const size_t bytes =
        ReadPcm(handle_.get(), reinterpret_cast<unsigned char *>(out), maxFrames * frameBytes, &ended_);
    return bytes / frameBytes;
}

bool Mp3Decoder::Seek(uint64_t frame)
{
    ended_ = true;
    if (frame >= frames_)
        return true;
    // libmpg123 counts the frames as Decode gives them, the encoder's delay trimmed.
    if (mpg123_seek(handle_.get(), off_t(frame), SEEK_SET) != off_t(frame))
        return false;
    ended_ = false;
    return true;
}
