#include "tga_writer.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace {

void Put16(std::vector<unsigned char> &out, int value)
{
    out.push_back(static_cast<unsigned char>(value & 0xff));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xff));
}

// One stored pixel as the file holds it: BGR(A), a grey byte or a map index.
using Stored = std::vector<unsigned char>;

// Run-length packets over the whole picture as one stream, so runs cross row ends.
void AppendRunLength(std::vector<unsigned char> &out, const std::vector<Stored> &pixels)
{
    size_t i = 0;
    while (i < pixels.size()) {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            run++;
        if (run >= 2) {
            out.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 &&
               !(i + raw + 1 < pixels.size() && pixels[i + raw] == pixels[i + raw + 1]))
            raw++;
        out.push_back(static_cast<unsigned char>(raw - 1));
        for (size_t k = 0; k < raw; k++)
            out.insert(out.end(), pixels[i + k].begin(), pixels[i + k].end());
        i += raw;
    }
}

} // namespace

std::vector<unsigned char> EncodeTga(const unsigned char *pixels, int width, int height, int channels,
                                     const TgaEncoding &e)
{
    const int baseType = e.imageType & 7;
    const bool runLength = (e.imageType & 8) != 0;
    if (width < 1 || height < 1 || width > 65535 || height > 65535 || (channels != 1 && channels != 3 && channels != 4))
        return {};
    if (baseType < 1 || baseType > 3 || (e.imageType & ~11) != 0)
        return {};
    const bool mapped = baseType == 1;
    if (mapped ? (e.pixelDepth != 8 || (e.colourMapBits != 24 && e.colourMapBits != 32))
               : (baseType == 3 ? e.pixelDepth != 8 : (e.pixelDepth != 24 && e.pixelDepth != 32)))
        return {};

    auto sourceColour = [&](int x, int y) {
        const unsigned char *p = pixels + (size_t(y) * size_t(width) + size_t(x)) * size_t(channels);
        Stored c(4);
        c[0] = p[0];
        c[1] = channels >= 3 ? p[1] : p[0];
        c[2] = channels >= 3 ? p[2] : p[0];
        c[3] = channels == 4 ? p[3] : 255;
        return c; // RGBA
    };

    std::vector<Stored> stored;
    std::vector<Stored> palette;
    std::map<Stored, int> paletteIndex;
    stored.reserve(size_t(width) * size_t(height));
    for (int row = 0; row < height; row++) {
        int y = e.topToBottom ? row : height - 1 - row;
        for (int column = 0; column < width; column++) {
            int x = e.rightToLeft ? width - 1 - column : column;
            Stored rgba = sourceColour(x, y);
            if (baseType == 3) {
                stored.push_back({rgba[0]});
            } else if (mapped) {
                auto found = paletteIndex.find(rgba);
                if (found == paletteIndex.end()) {
                    if (palette.size() == 256)
                        return {};
                    found = paletteIndex.emplace(rgba, int(palette.size())).first;
                    palette.push_back(rgba);
                }
                stored.push_back({static_cast<unsigned char>(found->second)});
            } else {
                Stored bgra = {rgba[2], rgba[1], rgba[0]};
                if (e.pixelDepth == 32)
                    bgra.push_back(rgba[3]);
                stored.push_back(bgra);
            }
        }
    }

    std::vector<unsigned char> out;
    out.push_back(static_cast<unsigned char>(e.id.size()));
    out.push_back(mapped ? 1 : 0);
    out.push_back(static_cast<unsigned char>(e.imageType));
    Put16(out, 0); // first map entry
    Put16(out, mapped ? int(palette.size()) : 0);
    out.push_back(static_cast<unsigned char>(mapped ? e.colourMapBits : 0));
    Put16(out, 0); // x origin
    Put16(out, 0); // y origin
    Put16(out, width);
    Put16(out, height);
    out.push_back(static_cast<unsigned char>(e.pixelDepth));
    int alphaBits = (e.pixelDepth == 32 || (mapped && e.colourMapBits == 32)) ? 8 : 0;
    out.push_back(static_cast<unsigned char>(alphaBits | (e.rightToLeft ? 0x10 : 0) | (e.topToBottom ? 0x20 : 0)));
    out.insert(out.end(), e.id.begin(), e.id.end());
    for (const Stored &rgba : palette) {
        out.insert(out.end(), {rgba[2], rgba[1], rgba[0]});
        if (e.colourMapBits == 32)
            out.push_back(rgba[3]);
    }
    if (runLength) {
        AppendRunLength(out, stored);
    } else {
        for (const Stored &p : stored)
            out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}
