#include <gtest/gtest.h>

#include "ui/CoverFit.h"
#include "ui/DialogLayout.h"

namespace {

TEST(DialogUnits, ConvertEdgesWithRounding)
{
    const sDialogUnits du{6, 13};
    EXPECT_EQ(du.X(327), 491);  // 327 * 6 / 4 = 490.5, rounded
    EXPECT_EQ(du.Y(360), 585);
    // Adjacent controls stay adjacent: right edge of one = left of the next.
    const sLayoutRect a = du.Rect(7, 7, 1, 1);
    const sLayoutRect b = du.Rect(8, 8, 1, 1);
    EXPECT_EQ(a.x + a.width, b.x);
    EXPECT_EQ(a.y + a.height, b.y);
    EXPECT_EQ(AverageCharWidth(286), 6);  // (286 + 26) / 52
    EXPECT_EQ(AverageCharWidth(285), 5);
}

TEST(ResizeRules, MoveAndGrowByTheClientChange)
{
    const sLayoutRect r{10, 20, 30, 40};
    EXPECT_EQ(ApplyResizeRule(r, RESIZE_NONE, 100, 100, 150, 120), r);
    EXPECT_EQ(ApplyResizeRule(r, RESIZE_MOVE_X | RESIZE_MOVE_Y, 100, 100, 150, 120), (sLayoutRect{60, 40, 30, 40}));
    EXPECT_EQ(ApplyResizeRule(r, RESIZE_SIZE_X | RESIZE_MOVE_Y, 100, 100, 90, 120), (sLayoutRect{10, 40, 20, 40}));
    EXPECT_EQ(ApplyResizeRule(r, RESIZE_SIZE_X | RESIZE_SIZE_Y, 100, 100, 150, 80), (sLayoutRect{10, 20, 80, 20}));
}

TEST(ResizeRules, MinimumIsThreeQuartersPlusTwentyByTwoThirds)
{
    int w = 0;
    int h = 0;
    MinimumTrackSize(491, 607, w, h);
    EXPECT_EQ(w, 388);  // 491 * 3 / 4 = 368 (truncated) + 20
    EXPECT_EQ(h, 404);  // 607 * 2 / 3 = 404 (truncated)
}

TEST(CoverFit, ExactAspectFillsTheInnerArea)
{
    const sRectF r = FitCoverRect(106, 86, 200, 160);  // inner 100 x 80
    EXPECT_FLOAT_EQ(r.width, 100);
    EXPECT_FLOAT_EQ(r.height, 80);
    EXPECT_FLOAT_EQ(r.left, 3);
    EXPECT_FLOAT_EQ(r.top, 3);
}

TEST(CoverFit, WideImagesTouchTheSidesTallOnesTheTopAndBottom)
{
    const sRectF wide = FitCoverRect(106, 86, 400, 100);
    EXPECT_FLOAT_EQ(wide.width, 100);
    EXPECT_FLOAT_EQ(wide.height, 25);
    EXPECT_FLOAT_EQ(wide.left, 3);
    EXPECT_FLOAT_EQ(wide.top, 30.5f);  // equal bands above and below

    const sRectF tall = FitCoverRect(106, 86, 100, 400);
    EXPECT_FLOAT_EQ(tall.height, 80);
    EXPECT_FLOAT_EQ(tall.width, 20);
    EXPECT_FLOAT_EQ(tall.top, 3);
    EXPECT_FLOAT_EQ(tall.left, 43);

    const sRect whole = RoundCoverRect(wide);
    EXPECT_EQ(whole.width, 100);
    EXPECT_EQ(whole.height, 25);
    EXPECT_EQ(whole.left, 3);
    EXPECT_TRUE(whole.top == 30 || whole.top == 31);
}

TEST(CoverFit, NoSizeMeansNothingDrawn)
{
    const sRectF r = FitCoverRect(106, 86, 0, 0);
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, 0);
    const sRectF tiny = FitCoverRect(5, 5, 10, 10);  // no room inside the margin
    EXPECT_EQ(tiny.width, 0);
}

std::vector<uint8_t> Pixels(int width, int height, auto colourAt)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t v = colourAt(x, y);
            uint8_t* p = &bytes[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = p[1] = p[2] = v;
            p[3] = 255;
        }
    return bytes;
}

uint8_t Channel(uint32_t pixel) { return static_cast<uint8_t>(pixel & 0xff); }

TEST(Bicubic, FlatColourStaysFlatBothWays)
{
    const auto flat = Pixels(16, 16, [](int, int) { return 200; });
    for (auto [w, h] : {std::pair{77, 50}, std::pair{5, 3}}) {
        const auto out = ResampleBicubic(flat.data(), 16, 16, 16 * 4, w, h);
        ASSERT_EQ(out.size(), static_cast<size_t>(w * h));
        for (uint32_t p : out)
            EXPECT_EQ(Channel(p), 200);
    }
}

TEST(Bicubic, EnlargingSmoothsEdgesWithCubicOvershoot)
{
    // A step from grey 100 to grey 200, enlarged eightfold.
    const auto edge = Pixels(6, 1, [](int x, int) { return x < 3 ? 100 : 200; });
    const auto out = ResampleBicubic(edge.data(), 6, 1, 6 * 4, 48, 1);
    int intermediate = 0;
    int below = 0;
    int above = 0;
    for (uint32_t p : out) {
        const int v = Channel(p);
        intermediate += v > 105 && v < 195;
        below += v < 100;
        above += v > 200;
    }
    EXPECT_GE(intermediate, 4);  // a ramp, not a hard step
    // A cubic kernel rings slightly on both sides of the edge; a linear
    // (bilinear) one never leaves the range of its inputs.
    EXPECT_GT(below, 0);
    EXPECT_GT(above, 0);
    EXPECT_EQ(Channel(out.front()), 100);
    EXPECT_EQ(Channel(out.back()), 200);
}

TEST(Bicubic, ReducingAveragesInsteadOfAliasing)
{
    // A one-pixel checkerboard reduced to a quarter becomes even grey.
    const auto checker = Pixels(64, 64, [](int x, int y) { return (x + y) % 2 ? 255 : 0; });
    const auto out = ResampleBicubic(checker.data(), 64, 64, 64 * 4, 16, 16);
    for (uint32_t p : out) {
        EXPECT_GT(Channel(p), 110);
        EXPECT_LT(Channel(p), 145);
    }
}

}  // namespace
