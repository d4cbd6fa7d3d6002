// Growing pictures to power-of-two sizes. The arithmetic is fixed to the bit: steps
// in single precision, running fractions and interpolation in double precision,
// +0.5 and truncation, so every build gives the same texels.

#include "textures/image.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Target columns handled at a time: the taps and the two horizontally interpolated
// source rows of a strip stay on the stack and in the cache.
#define RESAMPLE_STRIP 256
#define RESAMPLE_MAX_BYTES_PER_PIXEL 4

struct ColumnTap {
    size_t left;  // byte offset of the left tap in a source row
    size_t right; // of the right tap: the left one again at the last column
    double fraction;
};

// One source row interpolated along x at the strip's columns; values as doubles,
// exactly the "top" or "bottom" of the bilinear formula.
static void InterpolateRow(const unsigned char *row, const ColumnTap *taps, int count, int bytesPerPixel,
                           double *values)
{
    for (int i = 0; i < count; i++) {
        const unsigned char *left = row + taps[i].left;
        const unsigned char *right = row + taps[i].right;
        for (int k = 0; k < bytesPerPixel; k++) {
            const int a = left[k];
            const int b = right[k];
            values[i * bytesPerPixel + k] = a + (b - a) * taps[i].fraction;
        }
    }
}

// Between the two interpolated rows at yFraction: value + 0.5 truncated, clamped to
// 0..255. The SSE2 path does the same double operations in the same order, four
// values at a time; the packs saturate exactly as the clamp does.
static void BlendRows(const double *upper, const double *lower, double yFraction, int count, unsigned char *out)
{
    int i = 0;
#ifdef __SSE2__
    const __m128d fraction = _mm_set1_pd(yFraction);
    const __m128d half = _mm_set1_pd(0.5);
    for (; i + 4 <= count; i += 4) {
        const __m128d upper0 = _mm_loadu_pd(upper + i), upper1 = _mm_loadu_pd(upper + i + 2);
        const __m128d lower0 = _mm_loadu_pd(lower + i), lower1 = _mm_loadu_pd(lower + i + 2);
        const __m128d value0 = _mm_add_pd(upper0, _mm_mul_pd(_mm_sub_pd(lower0, upper0), fraction));
        const __m128d value1 = _mm_add_pd(upper1, _mm_mul_pd(_mm_sub_pd(lower1, upper1), fraction));
        const __m128i rounded =
            _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_add_pd(value0, half)), _mm_cvttpd_epi32(_mm_add_pd(value1, half)));
        const __m128i words = _mm_packs_epi32(rounded, rounded);
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        memcpy(out + i, &bytes, 4);
    }
#endif
    for (; i < count; i++) {
        const double value = upper[i] + (lower[i] - upper[i]) * yFraction;
        const int rounded = int(value + 0.5);
        out[i] = static_cast<unsigned char>(rounded > 255 ? 255 : rounded < 0 ? 0 : rounded);
    }
}

int NextPowerOfTwo(int n)
{
    int halvings = 0;
    for (int m = n; m > 1; m >>= 1)
        halvings++;
    int p = 1 << halvings;
    if (p < n)
        return p > INT_MAX / 2 ? 0 : p * 2; // above 2^30 there is no int answer
    return p;
}

void ResampleBilinear(const unsigned char *source, unsigned char *target, int sourceWidth, int sourceHeight,
                      int targetWidth, int targetHeight, int bytesPerPixel)
{
    if (sourceWidth < 1 || sourceHeight < 1 || targetWidth < 1 || targetHeight < 1 || bytesPerPixel < 1 ||
        bytesPerPixel > RESAMPLE_MAX_BYTES_PER_PIXEL)
        return;
    const float xStep = targetWidth > 1 ? float(sourceWidth - 1) / float(targetWidth - 1) : 0.0f;
    const float yStep = targetHeight > 1 ? float(sourceHeight - 1) / float(targetHeight - 1) : 0.0f;
    const size_t pixelBytes = size_t(bytesPerPixel);
    const size_t sourceRowBytes = size_t(sourceWidth) * pixelBytes;
    const size_t targetRowBytes = size_t(targetWidth) * pixelBytes;

    ColumnTap taps[RESAMPLE_STRIP];
    double rowsA[RESAMPLE_STRIP * RESAMPLE_MAX_BYTES_PER_PIXEL];
    double rowsB[RESAMPLE_STRIP * RESAMPLE_MAX_BYTES_PER_PIXEL];

    // The column walk runs on from strip to strip exactly as along a whole row.
    int sourceColumn = 0;
    double xFraction = 0.0;
    for (int strip = 0; strip < targetWidth; strip += RESAMPLE_STRIP) {
        const int count = std::min(RESAMPLE_STRIP, targetWidth - strip);
        for (int i = 0; i < count; i++) {
            // The walk ends on the last column; min() only guards against a
            // rounding that this arithmetic does not produce.
            const int left = std::min(sourceColumn, sourceWidth - 1);
            const int right = left < sourceWidth - 1 ? left + 1 : left;
            taps[i] = {size_t(left) * pixelBytes, size_t(right) * pixelBytes, xFraction};
            xFraction += xStep;
            if (xFraction >= 1.0) {
                xFraction -= 1.0;
                sourceColumn++;
            }
        }

        double *upper = rowsA, *lower = rowsB;
        int upperRow = -1, lowerRow = -1; // which source rows the two hold
        int sourceRow = 0;
        double yFraction = 0.0;
        const int values = count * bytesPerPixel;
        for (int y = 0; y < targetHeight; y++) {
            sourceRow = std::min(sourceRow, sourceHeight - 1);
            const int below = sourceRow < sourceHeight - 1 ? sourceRow + 1 : sourceRow;
            if (upperRow != sourceRow) {
                // Moving down one row: the old lower row is the new upper one.
                if (lowerRow == sourceRow) {
                    std::swap(upper, lower);
                    lowerRow = -1;
                } else {
                    InterpolateRow(source + size_t(sourceRow) * sourceRowBytes, taps, count, bytesPerPixel, upper);
                }
                upperRow = sourceRow;
            }
            if (lowerRow != below) {
                InterpolateRow(source + size_t(below) * sourceRowBytes, taps, count, bytesPerPixel, lower);
                lowerRow = below;
            }

            unsigned char *out = target + size_t(y) * targetRowBytes + size_t(strip) * pixelBytes;
            BlendRows(upper, lower, yFraction, values, out);

            yFraction += yStep;
            if (yFraction >= 1.0) {
                yFraction -= 1.0;
                sourceRow++;
            }
        }
    }
}
