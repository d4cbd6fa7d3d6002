#include "storyboard.h"

#include <vector>

#include "canvas.h"
#include "png_writer.h"
#include "show_renderer.h"
#include "text.h"
#include "show/show.h"

namespace {

struct Moment {
    int scene;
    double into;                // seconds after the scene starts
    const char *what = nullptr; // the label, if not the scene's name
};

// A moment well inside each scene; the first credit shows two seconds into the
// heart cube.
const Moment MOMENTS[] = {
    {SCENE_TITLE, 4.0},  {SCENE_CREATORS, 4.0},   {SCENE_ROTOZOOMER, 8.0},
    {SCENE_TUNNEL, 9.0}, {SCENE_HEART_CUBE, 1.0}, {SCENE_HEART_CUBE, 2.5, "credits"},
    {SCENE_PINK, 4.0},   {SCENE_INTERLUDE, 9.0},  {SCENE_END, 4.0},
};

double SecondsOf(const Moment &m) { return SceneStartSecond(m.scene) + m.into; }

const int COLUMNS = 3;
const int GAP = 16;
const int LABEL = 30;
const int LABEL_SIZE = 16;

std::u32string Label(const Moment &m)
{
    int seconds = int(SecondsOf(m));
    std::string time =
        std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60);
    const std::string label = time + "  " + (m.what ? m.what : SceneName(m.scene));
    return std::u32string(label.begin(), label.end());
}

} // namespace

std::string WriteStoryboard(ShowRenderer &renderer, const std::string &path)
{
    const std::string fontPath = FindFont("DejaVuSans.ttf");
    if (fontPath.empty())
        return "no DejaVu Sans font for the labels (Debian: apt-get install fonts-dejavu-core)";
    Font font(fontPath);
    if (!font.Ok())
        return fontPath + ": cannot be read as a font";

    const int tileWidth = std::max(1, renderer.Width() / 2), tileHeight = std::max(1, renderer.Height() / 2);
    const int count = int(sizeof MOMENTS / sizeof MOMENTS[0]);
    const int rows = (count + COLUMNS - 1) / COLUMNS;
    Canvas sheet(GAP + COLUMNS * (tileWidth + GAP), GAP + rows * (tileHeight + LABEL + GAP), Hex(0x111118));
    Coverage labels(sheet.Width(), sheet.Height());

    std::vector<unsigned char> rgba;
    for (int i = 0; i < count; i++) {
        if (!renderer.RenderTime(SecondsOf(MOMENTS[i]), RowOrder::TopFirst, rgba))
            return "the show ended before " + std::to_string(SecondsOf(MOMENTS[i])) + " s";
        const int left = GAP + (i % COLUMNS) * (tileWidth + GAP);
        const int top = GAP + (i / COLUMNS) * (tileHeight + LABEL + GAP);
        // Each tile pixel is the mean of a 2x2 block.
        const size_t stride = size_t(renderer.Width()) * 4;
        for (int y = 0; y < tileHeight; y++) {
            for (int x = 0; x < tileWidth; x++) {
                float sum[3] = {0, 0, 0};
                for (int dy = 0; dy < 2; dy++)
                    for (int dx = 0; dx < 2; dx++) {
                        int sx = std::min(2 * x + dx, renderer.Width() - 1);
                        int sy = std::min(2 * y + dy, renderer.Height() - 1);
                        const unsigned char *p = &rgba[size_t(sy) * stride + size_t(sx) * 4];
                        for (int c = 0; c < 3; c++)
                            sum[c] += p[c];
                    }
                sheet.At(left + x, top + y) = {sum[0] / 1020.0f, sum[1] / 1020.0f, sum[2] / 1020.0f};
            }
        }
        font.DrawCentred(labels, Label(MOMENTS[i]), LABEL_SIZE, float(left + tileWidth / 2.0),
                         float(top + tileHeight + LABEL - 9));
    }
    sheet.Cover(labels, Hex(0xd8d0e8));
    std::vector<unsigned char> bytes = sheet.Bytes(3);
    return WritePng(path, {bytes.data(), sheet.Width(), sheet.Height(), 3, false}, PngCompression::Best);
}
