// The decoder gives back exactly the music that was encoded: every sample, none of
// the encoder's delay or padding, from whole files and from cut ones; anything else
// is refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "music/mp3_decoder.h"
#include "test_music.h"

namespace {

std::vector<int16_t> DecodeAll(Mp3Decoder &decoder, size_t chunkFrames)
{
    std::vector<int16_t> pcm;
    std::vector<int16_t> chunk(chunkFrames * size_t(decoder.Channels()));
    while (size_t frames = decoder.Decode(chunk.data(), chunkFrames))
        pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + long(frames * size_t(decoder.Channels())));
    return pcm;
}

// The lag, within ±maxLag frames, at which the decoded first channel best matches the
// original over `window` frames from `from`.
int BestLag(const std::vector<int16_t> &original, const std::vector<int16_t> &decoded, int channels, size_t from,
            size_t window, int maxLag)
{
    int best = 0;
    double bestScore = -1e300;
    for (int lag = -maxLag; lag <= maxLag; lag++) {
        double score = 0;
        for (size_t i = from; i < from + window; i++)
            score += double(original[i * size_t(channels)]) * decoded[size_t(int64_t(i) + lag) * size_t(channels)];
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

struct GaplessCase {
    const char *name;
    int sampleRate;
    int channels;
    int bitrateKbps;
    bool vbr;
    bool id3;
};

void PrintTo(const GaplessCase &c, std::ostream *os) { *os << c.name; }

class Gapless : public ::testing::TestWithParam<GaplessCase> {};

const size_t FRAMES = 30001;
const size_t ONSET = 2500;

TEST_P(Gapless, DecodesEveryEncodedSampleInPlace)
{
    const GaplessCase &c = GetParam();
    Mp3Options options;
    options.sampleRate = c.sampleRate;
    options.channels = c.channels;
    options.bitrateKbps = c.bitrateKbps;
    options.vbr = c.vbr;
    options.id3Title = c.id3 ? "Test tone" : "";
    const std::vector<unsigned char> mp3 = MakeMp3(options, FRAMES, ONSET);
    const std::vector<int16_t> original = MakeMusic(c.sampleRate, c.channels, FRAMES, ONSET);

    std::string why;
    auto decoder = Mp3Decoder::Open(mp3.data(), mp3.size(), &why);
    ASSERT_TRUE(decoder) << why;
    EXPECT_EQ(decoder->SampleRate(), c.sampleRate);
    EXPECT_EQ(decoder->Channels(), c.channels);
    EXPECT_EQ(decoder->Frames(), FRAMES);

    // An odd chunk size: samples must not be lost or doubled at chunk edges.
    const std::vector<int16_t> decoded = DecodeAll(*decoder, 333);
    ASSERT_EQ(decoded.size(), original.size());
    for (size_t i = 0; i < ONSET * size_t(c.channels) / 2; i++)
        ASSERT_LT(std::abs(decoded[i]), 64) << "sound before the music starts, sample " << i;
    // The encoder delay alone would be over a thousand frames.
    EXPECT_EQ(BestLag(original, decoded, c.channels, ONSET, 4096, 1200), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, Gapless,
                         ::testing::Values(GaplessCase{"Cbr44kStereo", 44100, 2, 192, false, false},
                                           GaplessCase{"Vbr44kStereoId3", 44100, 2, 0, true, true},
                                           GaplessCase{"Cbr22kMono", 22050, 1, 64, false, false},
                                           GaplessCase{"Vbr22kMonoId3", 22050, 1, 0, true, true},
                                           GaplessCase{"Cbr48kStereoId3", 48000, 2, 160, false, true},
                                           GaplessCase{"Vbr48kMono", 48000, 1, 0, true, false}),
                         [](const ::testing::TestParamInfo<GaplessCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(Mp3Decoder, CutFilePlaysWhatItHasFromTheSameFirstSample)
{
    for (bool vbr : {false, true}) {
        SCOPED_TRACE(vbr ? "VBR" : "CBR");
        Mp3Options options;
        options.vbr = vbr;
        std::vector<unsigned char> mp3 = MakeMp3(options, FRAMES, ONSET);
        auto whole = Mp3Decoder::Open(mp3.data(), mp3.size());
        ASSERT_TRUE(whole);
        const std::vector<int16_t> full = DecodeAll(*whole, 4096);

        const std::vector<unsigned char> cut(mp3.begin(), mp3.begin() + long(mp3.size() / 2));
        std::string why;
        auto decoder = Mp3Decoder::Open(cut.data(), cut.size(), &why);
        ASSERT_TRUE(decoder) << why;
        const std::vector<int16_t> part = DecodeAll(*decoder, 4096);
        EXPECT_EQ(part.size() / 2, decoder->Frames());
        EXPECT_GT(part.size(), full.size() / 4);
        EXPECT_LT(part.size(), full.size());
        // The LAME tag still trims the start: the cut file is the whole one, shorter.
        EXPECT_TRUE(std::equal(part.begin(), part.end(), full.begin()));

        // Without its quality field the tag keeps the frame count but loses the
        // encoder delay: cut, the length must still be what decodes.
        const char *name = vbr ? "Xing" : "Info";
        const auto tag = std::search(mp3.begin(), mp3.end(), name, name + 4);
        ASSERT_NE(tag, mp3.end());
        tag[7] &= static_cast<unsigned char>(~0x08u);
        const std::vector<unsigned char> bare(mp3.begin(), mp3.begin() + long(mp3.size() / 2));
        auto bareDecoder = Mp3Decoder::Open(bare.data(), bare.size());
        ASSERT_TRUE(bareDecoder);
        EXPECT_EQ(DecodeAll(*bareDecoder, 4096).size() / 2, bareDecoder->Frames());
    }
}

// Where the show starts late or plays again: the very samples a decode from the
// start gives at that point, and silence past the end.
TEST(Mp3Decoder, SeekLandsOnTheSameSampleAsDecodingThere)
{
    for (bool vbr : {false, true}) {
        SCOPED_TRACE(vbr ? "VBR" : "CBR");
        Mp3Options options;
        options.vbr = vbr;
        const std::vector<unsigned char> mp3 = MakeMp3(options, FRAMES, ONSET);
        auto whole = Mp3Decoder::Open(mp3.data(), mp3.size());
        ASSERT_TRUE(whole);
        const std::vector<int16_t> full = DecodeAll(*whole, 4096);
        // Forward on a fresh stream, then back from its end.
        auto decoder = Mp3Decoder::Open(mp3.data(), mp3.size());
        for (size_t frame : {size_t(20011), size_t(0), size_t(FRAMES - 5)}) {
            ASSERT_TRUE(decoder->Seek(frame));
            const std::vector<int16_t> rest = DecodeAll(*decoder, 1000);
            ASSERT_EQ(rest.size(), full.size() - frame * 2) << "from " << frame;
            EXPECT_TRUE(std::equal(rest.begin(), rest.end(), full.begin() + long(frame * 2))) << "from " << frame;
        }
        int16_t pcm[2];
        EXPECT_TRUE(decoder->Seek(FRAMES + 1000));
        EXPECT_EQ(decoder->Decode(pcm, 1), 0u);
    }
}

TEST(Mp3Decoder, RefusesWhatIsNotMp3)
{
    std::mt19937 random(11);
    auto randomBytes = [&](size_t size) {
        std::vector<unsigned char> bytes(size);
        for (auto &b : bytes)
            b = (unsigned char)random();
        return bytes;
    };
    const std::vector<unsigned char> mp3 = MakeMp3(Mp3Options{}, FRAMES);

    std::vector<std::pair<std::string, std::vector<unsigned char>>> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"one byte", {0xFF}});
    cases.push_back({"first frame header alone", {mp3.begin(), mp3.begin() + 4}});
    cases.push_back({"tag frame alone", {mp3.begin(), mp3.begin() + 700}});
    const std::string text = "Not music at all, only words on lines.\n";
    std::string page;
    for (int i = 0; i < 300; i++)
        page += text;
    cases.push_back({"text", {page.begin(), page.end()}});
    for (size_t size : {size_t(100), size_t(5000), size_t(300000)})
        cases.push_back({"random " + std::to_string(size), randomBytes(size)});
    // A WAV file of the same music.
    // clang-format off
    std::vector<unsigned char> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                      1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    // clang-format on
    for (int16_t sample : MakeMusic(44100, 2, 44100, 0)) {
        wav.push_back((unsigned char)(sample & 0xFF));
        wav.push_back((unsigned char)((sample >> 8) & 0xFF));
    }
    cases.push_back({"WAV", wav});
    // MPEG audio frames, but Layer I: data rich in 0xFF bytes (white areas of a
    // picture) forms such headers.
    std::vector<unsigned char> layerOne = randomBytes(312 * 40);
    for (size_t i = 0; i < layerOne.size(); i += 312)
        std::memcpy(&layerOne[i], "\xFF\xFF\x90\x00", 4);
    cases.push_back({"Layer I frames", layerOne});
    // Two Layer III frames in other data: libmpg123 takes them for a stream.
    std::vector<unsigned char> twoFrames = randomBytes(20000);
    std::memcpy(&twoFrames[0], "\xFF\xFB\x90\x00", 4);
    std::memcpy(&twoFrames[417], "\xFF\xFB\x90\x00", 4);
    cases.push_back({"two frames in other data", twoFrames});

    for (const auto &[name, bytes] : cases) {
        std::string why;
        EXPECT_FALSE(Mp3Decoder::Open(bytes.data(), bytes.size(), &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
    }
}

} // namespace
