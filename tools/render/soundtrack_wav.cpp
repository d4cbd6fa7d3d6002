#include "soundtrack_wav.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "interrupts.h"
#include "music/mp3_decoder.h"
#include "textures/image.h"

namespace {

struct FileCloser {
    void operator()(FILE *file) const { fclose(file); }
};

void PutLittleEndian(std::vector<unsigned char> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

std::vector<unsigned char> WavHeader(int rate, int channels, uint64_t dataBytes)
{
    std::vector<unsigned char> h;
    auto tag = [&](const char *text) { h.insert(h.end(), text, text + 4); };
    tag("RIFF");
    PutLittleEndian(h, uint32_t(36 + dataBytes), 4);
    tag("WAVE");
    tag("fmt ");
    PutLittleEndian(h, 16, 4);
    PutLittleEndian(h, 1, 2); // PCM
    PutLittleEndian(h, uint32_t(channels), 2);
    PutLittleEndian(h, uint32_t(rate), 4);
    PutLittleEndian(h, uint32_t(rate * channels * 2), 4);
    PutLittleEndian(h, uint32_t(channels * 2), 2);
    PutLittleEndian(h, 16, 2);
    tag("data");
    PutLittleEndian(h, uint32_t(dataBytes), 4);
    return h;
}

} // namespace

std::string WriteSoundtrackWav(const std::string &mp3Path, const std::string &wavPath, long firstFrame, long frameCount,
                               int fps, std::string *warning)
{
    // A pipe or a folder under the soundtrack's name is never waited on.
    const char *notRegular = nullptr;
    std::unique_ptr<FILE, FileCloser> in(OpenRegularFile(mp3Path.c_str(), &notRegular));
    std::vector<unsigned char> image, chunk(size_t(1) << 16);
    size_t got;
    while (in && (got = fread(chunk.data(), 1, chunk.size(), in.get())) > 0)
        image.insert(image.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(got));
    std::string why = notRegular ? notRegular : image.empty() ? "missing or empty" : "";
    std::unique_ptr<Mp3Decoder> decoder = image.empty() ? nullptr : Mp3Decoder::Open(image.data(), image.size(), &why);
    if (!decoder && warning)
        *warning = mp3Path + ": " + why + "; the video is silent";

    const int rate = decoder ? decoder->SampleRate() : 44100;
    const int channels = decoder ? decoder->Channels() : 2;
    // Whole samples per frame boundary: sample = frame * rate / fps, rounded down.
    const uint64_t first = uint64_t(firstFrame) * uint64_t(rate) / uint64_t(fps);
    const uint64_t end = uint64_t(firstFrame + frameCount) * uint64_t(rate) / uint64_t(fps);
    const uint64_t dataBytes = (end - first) * uint64_t(channels) * 2;
    if (dataBytes > 0xffffffffull - 36)
        return "the soundtrack of so long a video does not fit a WAV file";

    std::unique_ptr<FILE, FileCloser> out(fopen(wavPath.c_str(), "wb"));
    if (!out)
        return wavPath + ": " + strerror(errno);
    std::vector<unsigned char> header = WavHeader(rate, channels, dataBytes);
    bool ok = fwrite(header.data(), 1, header.size(), out.get()) == header.size();

    std::vector<int16_t> samples(4096 * size_t(channels));
    std::vector<unsigned char> bytes;
    uint64_t position = 0;
    while (ok && position < end) {
        if (Interruption())
            return "interrupted";
        size_t want = size_t(std::min<uint64_t>(4096, end - position));
        size_t decoded = decoder ? decoder->Decode(samples.data(), want) : 0;
        std::fill(samples.begin() + std::ptrdiff_t(decoded * size_t(channels)),
                  samples.begin() + std::ptrdiff_t(want * size_t(channels)), int16_t(0));
        // Keep only the part from the first frame on.
        uint64_t skip = position < first ? std::min<uint64_t>(first - position, want) : 0;
        bytes.clear();
        for (size_t i = size_t(skip) * size_t(channels); i < want * size_t(channels); i++) {
            uint16_t sample = static_cast<uint16_t>(samples[i]);
            bytes.push_back(static_cast<unsigned char>(sample & 0xff));
            bytes.push_back(static_cast<unsigned char>(sample >> 8));
        }
        ok = fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
        position += want;
    }
    if (fclose(out.release()) != 0 || !ok)
        return wavPath + ": cannot be written";
    return "";
}

std::string WriteTemporarySoundtrack(const std::string &mp3Path, long firstFrame, long frameCount, int fps,
                                     TemporaryPath &wav)
{
    std::string error = MakeTemporaryFile("heartcube-audio", ".wav", wav);
    if (!error.empty())
        return error;
    std::string warning;
    error = WriteSoundtrackWav(mp3Path, wav.path, firstFrame, frameCount, fps, &warning);
    if (error.empty() && !warning.empty())
        fprintf(stderr, "heartcube-render: %s\n", warning.c_str());
    return error;
}
