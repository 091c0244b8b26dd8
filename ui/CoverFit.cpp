#include "ui/CoverFit.h"

#include <algorithm>
#include <cmath>

sRectF FitCoverRect(int boxWidth, int boxHeight, int imageWidth, int imageHeight)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return {};
    const float innerWidth = static_cast<float>(boxWidth - 2 * kCoverMargin);
    const float innerHeight = static_cast<float>(boxHeight - 2 * kCoverMargin);
    if (innerWidth <= 0 || innerHeight <= 0)
        return {};
    const float imageAspect = static_cast<float>(imageWidth) / static_cast<float>(imageHeight);
    const float boxAspect = innerWidth / innerHeight;
    sRectF rect;
    if (imageAspect < boxAspect) {
        rect.height = innerHeight;
        rect.width = innerHeight * imageAspect;
    } else {
        rect.width = innerWidth;
        rect.height = innerWidth / imageAspect;
    }
    rect.left = (static_cast<float>(boxWidth) - rect.width) / 2;
    rect.top = (static_cast<float>(boxHeight) - rect.height) / 2;
    return rect;
}

sRect RoundCoverRect(const sRectF& rect)
{
    sRect out;
    out.width = std::max(0, static_cast<int>(std::lround(rect.width)));
    out.height = std::max(0, static_cast<int>(std::lround(rect.height)));
    // Centre the whole-pixel size in the same place as the exact rectangle.
    out.left = static_cast<int>(std::floor(rect.left + (rect.width - static_cast<float>(out.width)) / 2 + 0.5f));
    out.top = static_cast<int>(std::floor(rect.top + (rect.height - static_cast<float>(out.height)) / 2 + 0.5f));
    return out;
}

namespace {

double CubicWeight(double x)
{
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1)
        return ((a + 2) * x - (a + 3)) * x * x + 1;
    if (x < 2)
        return ((a * x - 5 * a) * x + 8 * a) * x - 4 * a;
    return 0;
}

// Taps of one output position along one axis: first source index and weights.
struct sTaps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<sTaps> BuildTaps(int srcSize, int dstSize)
{
    std::vector<sTaps> taps(static_cast<size_t>(dstSize));
    const double scale = static_cast<double>(dstSize) / srcSize;
    const double stretch = scale < 1 ? 1 / scale : 1;  // wider kernel when reducing
    const double support = 2 * stretch;
    for (int i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int first = static_cast<int>(std::ceil(centre - support));
        const int last = static_cast<int>(std::floor(centre + support));
        std::vector<double> weights;
        double total = 0;
        for (int s = first; s <= last; ++s) {
            const double w = CubicWeight((s - centre) / stretch);
            weights.push_back(w);
            total += w;
        }
        sTaps& t = taps[static_cast<size_t>(i)];
        t.first = first;
        for (double w : weights)
            t.weights.push_back(static_cast<float>(total != 0 ? w / total : 0));
    }
    return taps;
}

uint8_t ClampByte(float value)
{
    return static_cast<uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

}  // namespace

std::vector<uint32_t> ResampleBicubic(const uint8_t* src, int srcWidth, int srcHeight, int srcStride,
                                      int dstWidth, int dstHeight)
{
    if (!src || srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0)
        return {};
    const std::vector<sTaps> columns = BuildTaps(srcWidth, dstWidth);
    const std::vector<sTaps> rows = BuildTaps(srcHeight, dstHeight);

    // Horizontal pass into floats (source rows x destination columns x 4),
    // edges repeat the border pixel.
    std::vector<float> horizontal(static_cast<size_t>(srcHeight) * dstWidth * 4);
    for (int y = 0; y < srcHeight; ++y) {
        const uint8_t* line = src + static_cast<size_t>(y) * srcStride;
        float* out = &horizontal[static_cast<size_t>(y) * dstWidth * 4];
        for (int x = 0; x < dstWidth; ++x) {
            const sTaps& t = columns[static_cast<size_t>(x)];
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const int sx = std::clamp(t.first + static_cast<int>(k), 0, srcWidth - 1);
                const uint8_t* p = line + static_cast<size_t>(sx) * 4;
                for (int c = 0; c < 4; ++c)
                    acc[c] += t.weights[k] * p[c];
            }
            for (int c = 0; c < 4; ++c)
                out[x * 4 + c] = acc[c];
        }
    }

    std::vector<uint32_t> result(static_cast<size_t>(dstWidth) * dstHeight);
    for (int y = 0; y < dstHeight; ++y) {
        const sTaps& t = rows[static_cast<size_t>(y)];
        for (int x = 0; x < dstWidth; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const int sy = std::clamp(t.first + static_cast<int>(k), 0, srcHeight - 1);
                const float* p = &horizontal[(static_cast<size_t>(sy) * dstWidth + x) * 4];
                for (int c = 0; c < 4; ++c)
                    acc[c] += t.weights[k] * p[c];
            }
            uint8_t bytes[4];
            for (int c = 0; c < 4; ++c)
                bytes[c] = ClampByte(acc[c]);
            uint32_t pixel;
            static_assert(sizeof(pixel) == sizeof(bytes));
            std::copy(bytes, bytes + 4, reinterpret_cast<uint8_t*>(&pixel));
            result[static_cast<size_t>(y) * dstWidth + x] = pixel;
        }
    }
    return result;
}
