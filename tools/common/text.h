// Text set with a DejaVu font through FreeType: the default pictures' lettering
// and the storyboard's labels.
#pragma once

#include "canvas.h"

#include <memory>
#include <string>

// Looks for a font file in the usual font folders (and below them); empty when
// it is nowhere to be found.
std::string FindFont(const std::string &fileName, const std::string &extraDir = "");

class Font {
public:
    // Opens the font file; Ok() tells whether that worked.
    explicit Font(const std::string &path);
    ~Font();
    Font(const Font &) = delete;
    Font &operator=(const Font &) = delete;
    bool Ok() const;

    // Width in pixels of the text set at the given pixel size (em height).
    float Measure(const std::u32string &text, int pixelSize) const;
    // Adds the text's coverage to the map with its baseline starting at (x,
    // baseline); `tracking` widens the gaps between letters by that many pixels.
    void Draw(Coverage &target, const std::u32string &text, int pixelSize, float x, float baseline,
              float tracking = 0) const;
    // The same, centred on x.
    void DrawCentred(Coverage &target, const std::u32string &text, int pixelSize, float x, float baseline,
                     float tracking = 0) const;

private:
    struct Face;
    std::unique_ptr<Face> face_;
};
