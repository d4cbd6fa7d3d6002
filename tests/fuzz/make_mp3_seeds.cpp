// Writes the MP3 fuzz target's seed corpus: a fraction of a second of our own tones
// at the rates and channel counts MP3 has, constant and variable bit rate, with and
// without ID3 tags.
//   make_mp3_seeds DIR

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "mp3_writer.h"
#include "tga_writer.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_mp3_seeds DIR\nWrites the MP3 fuzz seeds into DIR.\n");
        return 2;
    }
    const struct { int rate, channels, bitrate; bool vbr, id3; } seeds[] = {
        {44100, 2, 128, false, false}, {44100, 1, 64, true, true},  {48000, 2, 160, true, false},
        {32000, 1, 48, false, true},   {22050, 2, 64, false, false}, {24000, 1, 32, true, false},
        {16000, 1, 24, false, false},  {11025, 2, 32, false, true},  {8000, 1, 8, false, false}};
    for (const auto &s : seeds) {
        // A fifth of a second: a chord that drops to silence halfway.
        const int frames = s.rate / 5;
        std::vector<int16_t> pcm;
        for (int i = 0; i < frames; i++)
            for (int c = 0; c < s.channels; c++) {
                double t = double(i) / s.rate, level = i < frames / 2 ? 8000.0 : 0.0;
                pcm.push_back(int16_t(level * (std::sin(2 * M_PI * 220 * (c + 1) * t) + 0.5 * std::sin(2 * M_PI * 330 * t))));
            }
        Mp3Options options;
        options.sampleRate = s.rate;
        options.channels = s.channels;
        options.bitrateKbps = s.bitrate;
        options.vbr = s.vbr;
        options.id3Title = s.id3 ? "heartcube seed" : "";
        char name[96];
        snprintf(name, sizeof name, "%s/%dhz-%s-%s%s.mp3", argv[1], s.rate, s.channels == 1 ? "mono" : "stereo",
                 s.vbr ? "vbr" : "cbr", s.id3 ? "-id3" : "");
        std::vector<unsigned char> bytes = EncodeMp3(pcm, options);
        if (bytes.empty() || !WriteFile(name, bytes)) {
            fprintf(stderr, "make_mp3_seeds: %s: cannot be written\n", name);
            return 1;
        }
    }
    return 0;
}
