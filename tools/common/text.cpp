#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

struct Font::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Face()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
    // Advances and glyphs are taken unhinted so that letters sit where their
    // outlines say; the show scales the pictures anyway.
    bool Load(char32_t c, int pixelSize, FT_Int32 flags, float shift = 0) const
    {
        FT_Vector delta{FT_Pos(std::lround(shift * 64.0f)), 0};
        FT_Set_Transform(face, nullptr, &delta);
        return FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize)) == 0 &&
               FT_Load_Char(face, FT_ULong(c), flags | FT_LOAD_NO_HINTING) == 0;
    }
};

std::string FindFont(const std::string &fileName, const std::string &extraDir)
{
    std::vector<fs::path> dirs;
    if (!extraDir.empty())
        dirs.emplace_back(extraDir);
    for (const char *dir : {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu", "/usr/share/fonts/TTF",
                            "/usr/share/fonts", "/usr/local/share/fonts"})
        dirs.emplace_back(dir);
    std::error_code error;
    for (const fs::path &dir : dirs) {
        if (fs::is_regular_file(dir / fileName, error))
            return (dir / fileName).string();
    }
    for (const fs::path &dir : dirs) {
        for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
            if (it->path().filename() == fileName && it->is_regular_file(error))
                return it->path().string();
        error.clear();
    }
    return {};
}

Font::Font(const std::string &path) : face_(std::make_unique<Face>())
{
    if (FT_Init_FreeType(&face_->library) != 0 || FT_New_Face(face_->library, path.c_str(), 0, &face_->face) != 0)
        face_.reset();
}

Font::~Font() = default;

bool Font::Ok() const { return face_ != nullptr; }

float Font::Measure(const std::u32string &text, int pixelSize) const
{
    float width = 0;
    for (char32_t c : text)
        if (face_ && face_->Load(c, pixelSize, FT_LOAD_DEFAULT))
            width += float(face_->face->glyph->linearHoriAdvance) / 65536.0f;
    return width;
}

void Font::Draw(Coverage &target, const std::u32string &text, int pixelSize, float x, float baseline,
                float tracking) const
{
    if (!face_)
        return;
    FT_Face face = face_->face;
    for (char32_t c : text) {
        // The fraction of a pixel goes into the outline, so letters are evenly spaced.
        float whole = std::floor(x);
        if (!face_->Load(c, pixelSize, FT_LOAD_RENDER, x - whole))
            continue;
        const FT_GlyphSlot glyph = face->glyph;
        const FT_Bitmap &bitmap = glyph->bitmap;
        int left = int(whole) + glyph->bitmap_left;
        int top = int(std::lround(baseline)) - glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; row++)
            for (unsigned column = 0; column < bitmap.width; column++) {
                int px = left + int(column), py = top + int(row);
                if (px < 0 || py < 0 || px >= target.Width() || py >= target.Height())
                    continue;
                float a = float(bitmap.buffer[long(row) * bitmap.pitch + long(column)]) / 255.0f;
                float &cell = target.At(px, py);
                cell = cell + a - cell * a;
            }
        x += float(glyph->linearHoriAdvance) / 65536.0f + tracking;
    }
}

void Font::DrawCentred(Coverage &target, const std::u32string &text, int pixelSize, float x, float baseline,
                       float tracking) const
{
    float width = Measure(text, pixelSize) + tracking * float(text.size() > 0 ? text.size() - 1 : 0);
    Draw(target, text, pixelSize, x - width / 2, baseline, tracking);
}
