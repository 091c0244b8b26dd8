#pragma once
// Pure geometry and resampling of the cover preview: where the picture goes
// inside the box, and a bicubic scaler for 32-bit pixels.
#include <cstdint>
#include <vector>

struct sRectF {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The picture keeps this margin on every side of the box.
constexpr int kCoverMargin = 3;

// Rectangle for an image of `imageWidth` x `imageHeight` in a box of
// `boxWidth` x `boxHeight`: as large as fits inside the margin, aspect kept,
// centred. An image without a usable size gets an empty rectangle.
sRectF FitCoverRect(int boxWidth, int boxHeight, int imageWidth, int imageHeight);

// Whole-pixel version of the rectangle: the integer size and position that
// the preview is drawn at.
struct sRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
sRect RoundCoverRect(const sRectF& rect);

// Scales 32-bit pixels (four 8-bit channels each, any channel order,
// `srcStride` bytes per row) to `dstWidth` x `dstHeight` with a bicubic
// kernel (a = -0.5); the kernel widens when reducing so that nothing aliases.
// Returns dstWidth * dstHeight pixels, rows packed.
std::vector<uint32_t> ResampleBicubic(const uint8_t* src, int srcWidth, int srcHeight, int srcStride,
                                      int dstWidth, int dstHeight);
