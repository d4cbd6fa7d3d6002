// Writes 8-bit PNG files: RGBA, RGB or grey, rows given in either order.
// The same pixels always give the same bytes (no time stamp is written).
#pragma once

#include <memory>
#include <string>
#include <vector>

struct PngImage {
    const unsigned char *pixels = nullptr;
    int width = 0, height = 0;
    int channels = 4;            // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    bool bottomRowFirst = false; // as OpenGL reads a framebuffer back
    bool dropAlpha = false;      // 4 channels written as RGB: frames are opaque anyway

    int FileChannels() const { return dropAlpha && channels == 4 ? 3 : channels; }
};

// Fast compression suits frames; the best suits pictures kept for long.
enum class PngCompression { Fast, Best };

// Returns an empty string on success, otherwise why the file could not be written.
std::string WritePng(const std::string &path, const PngImage &image, PngCompression compression = PngCompression::Fast);

// Fast compression for a run of frames: each row differenced from the one above and
// squeezed by libdeflate's quickest level, three times the speed of zlib's and
// smaller. Keeps its working memory from one frame to the next; one per thread.
class FramePngWriter {
public:
    FramePngWriter();
    ~FramePngWriter();
    FramePngWriter(const FramePngWriter &) = delete;
    FramePngWriter &operator=(const FramePngWriter &) = delete;

    // Returns an empty string on success, otherwise why the file could not be written.
    std::string Write(const std::string &path, const PngImage &image);

private:
    struct Compressor;
    std::unique_ptr<Compressor> compressor_;
    std::vector<unsigned char> filtered_, compressed_;
};
