// Encodes PCM to MP3 bytes with LAME, deterministically: the same samples and
// options give the same bytes. Used by the asset generator and by the tests and
// fuzz seeds that need MP3 files of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Mp3Options {
    int sampleRate = 44100;
    int channels = 2;      // 1 or 2
    int bitrateKbps = 192; // constant bit rate, unless vbr
    bool vbr = false;      // variable bit rate at quality vbrQuality (0 best .. 9)
    int vbrQuality = 4;
    std::string id3Title; // non-empty: ID3v2 tag in front and ID3v1 tag behind
};

// pcm holds interleaved 16-bit samples, channels per frame. The first frame of the
// result is the LAME tag, which tells decoders the encoder delay and padding so that
// playback starts on the first sample of the music. Empty on failure.
std::vector<unsigned char> EncodeMp3(const std::vector<int16_t> &pcm, const Mp3Options &options);
