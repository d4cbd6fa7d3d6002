#include "mp3_writer.h"

#include <lame.h>
#include <memory>

namespace {

struct LameDeleter {
    void operator()(lame_global_flags *flags) const { lame_close(flags); }
};
using Lame = std::unique_ptr<lame_global_flags, LameDeleter>;

} // namespace

std::vector<unsigned char> EncodeMp3(const std::vector<int16_t> &pcm, const Mp3Options &options)
{
    if (options.channels < 1 || options.channels > 2 || pcm.size() % size_t(options.channels) != 0)
        return {};
    Lame lame(lame_init());
    if (!lame)
        return {};
    lame_global_flags *gf = lame.get();
    lame_set_in_samplerate(gf, options.sampleRate);
    lame_set_out_samplerate(gf, options.sampleRate);
    lame_set_num_channels(gf, options.channels);
    lame_set_mode(gf, options.channels == 1 ? MONO : JOINT_STEREO);
    if (options.vbr) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, float(options.vbrQuality));
    } else {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, options.bitrateKbps);
    }
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, 1);           // the tag frame carries delay and padding
    lame_set_write_id3tag_automatic(gf, 0); // tags are placed by hand below
    if (!options.id3Title.empty()) {
        id3tag_init(gf);
        id3tag_add_v2(gf);
        id3tag_set_title(gf, options.id3Title.c_str());
    }
    if (lame_init_params(gf) < 0)
        return {};

    std::vector<unsigned char> tagV2;
    if (!options.id3Title.empty()) {
        tagV2.resize(lame_get_id3v2_tag(gf, nullptr, 0));
        lame_get_id3v2_tag(gf, tagV2.data(), tagV2.size());
    }

    const size_t frames = pcm.size() / size_t(options.channels);
    std::vector<unsigned char> out;
    std::vector<unsigned char> chunk;
    const size_t step = 8192;
    for (size_t first = 0; first < frames || frames == 0; first += step) {
        int count = int(std::min(step, frames - first));
        chunk.resize(size_t(count) * 5 / 4 + 7200);
        const short *samples = pcm.empty() ? nullptr : pcm.data() + first * size_t(options.channels);
        int written = options.channels == 2
                          ? lame_encode_buffer_interleaved(gf, const_cast<short *>(samples), count, chunk.data(),
                                                           int(chunk.size()))
                          : lame_encode_buffer(gf, samples, samples, count, chunk.data(), int(chunk.size()));
        if (written < 0)
            return {};
        out.insert(out.end(), chunk.begin(), chunk.begin() + written);
        if (frames == 0)
            break;
    }
    chunk.resize(7200);
    int written = lame_encode_flush(gf, chunk.data(), int(chunk.size()));
    if (written < 0)
        return {};
    out.insert(out.end(), chunk.begin(), chunk.begin() + written);

    // The tag frame was reserved as the first frame; fill it in now that the totals are known.
    unsigned char tag[2880];
    size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size())
        std::copy(tag, tag + tagSize, out.begin());

    if (!options.id3Title.empty()) {
        out.insert(out.begin(), tagV2.begin(), tagV2.end());
        unsigned char tagV1[128];
        size_t size = lame_get_id3v1_tag(gf, tagV1, sizeof tagV1);
        out.insert(out.end(), tagV1, tagV1 + size);
    }
    return out;
}
