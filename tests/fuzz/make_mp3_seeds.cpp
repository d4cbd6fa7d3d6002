// Writes the MP3 fuzz target's seed corpus: a fifth of a second of our own test
// music at the rates and channel counts MP3 has, constant and variable bit rate,
// with and without ID3 tags.
//   make_mp3_seeds DIR

#include <cstdio>
#include <string>
#include <vector>

#include "test_music.h"
#include "tga_writer.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_mp3_seeds DIR\nWrites the MP3 fuzz seeds into DIR.\n");
        return 2;
    }
    // clang-format off
    const struct { int rate, channels, bitrate; bool vbr, id3; } seeds[] = {
        {44100, 2, 128, false, false}, {44100, 1, 64, true, true},  {48000, 2, 160, true, false},
        {32000, 1, 48, false, true},   {22050, 2, 64, false, false}, {24000, 1, 32, true, false},
        {16000, 1, 24, false, false},  {11025, 2, 32, false, true},  {8000, 1, 8, false, false}};
    // clang-format on
    for (const auto &s : seeds) {
        Mp3Options options;
        options.sampleRate = s.rate;
        options.channels = s.channels;
        options.bitrateKbps = s.bitrate;
        options.vbr = s.vbr;
        options.id3Title = s.id3 ? "heartcube seed" : "";
        char name[96];
        snprintf(name, sizeof name, "%s/%dhz-%s-%s%s.mp3", argv[1], s.rate, s.channels == 1 ? "mono" : "stereo",
                 s.vbr ? "vbr" : "cbr", s.id3 ? "-id3" : "");
        // A fifth of a second: silence, then the sound tests' wandering tone.
        std::vector<unsigned char> bytes = MakeMp3(options, size_t(s.rate / 5), size_t(s.rate / 20));
        if (bytes.empty() || !WriteFile(name, bytes)) {
            fprintf(stderr, "make_mp3_seeds: %s: cannot be written\n", name);
            return 1;
        }
    }
    return 0;
}
