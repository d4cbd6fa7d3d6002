// libFuzzer target for the soundtrack path: any bytes as the MP3 image in memory,
// opened and decoded to the end as the sound layer plays it, then from its middle.
// Whatever opens must decode to exactly the length it announced.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "music/mp3_decoder.h"

// A bound on the work per input: no real test case needs more than a few seconds.
#define FUZZ_MAX_FRAMES (1 << 20)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(data, size);
    if (!decoder)
        return 0;
    if (decoder->SampleRate() < 8000 || decoder->SampleRate() > 48000 || decoder->Channels() < 1 ||
        decoder->Channels() > 2)
        abort();
    // Small chunks, as the audio callback asks for them.
    std::vector<int16_t> chunk(1024 * size_t(decoder->Channels()));
    uint64_t decoded = 0;
    while (decoded < FUZZ_MAX_FRAMES) {
        size_t got = decoder->Decode(chunk.data(), 1024);
        if (got > 1024)
            abort();
        if (got == 0)
            break;
        decoded += got;
    }
    if (decoded < FUZZ_MAX_FRAMES && decoded != decoder->Frames())
        abort();
    // Back into the middle, as a late start or a second round does, and on from there.
    if (decoder->Seek(decoder->Frames() / 2))
        for (int i = 0; i < 64; i++)
            if (decoder->Decode(chunk.data(), 1024) == 0)
                break;
    return 0;
}
