// The cover preview's pixels for pictures of every shape, on a real widget.
#include <gtest/gtest.h>

#include "ui/PictureBoxCtrl.h"
#include "tests/support/TestSupport.h"
#include "UiFixtures.h"

namespace {

namespace fs = std::filesystem;

// Inner area of the box: 100 x 80 inside the 3-pixel margin.
constexpr int kBoxWidth = 106;
constexpr int kBoxHeight = 86;

class PictureBoxTest : public ::testing::Test {
protected:
    QImage Show(const fs::path& file)
    {
        box.resize(kBoxWidth, kBoxHeight);
        box.SetImage(QString::fromStdString(file.string()));
        return box.Rendered();
    }
    static bool Black(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xffffff) == 0; }
    static bool Near(QColor c, QColor want, int tolerance = 12)
    {
        return std::abs(c.red() - want.red()) <= tolerance && std::abs(c.green() - want.green()) <= tolerance &&
               std::abs(c.blue() - want.blue()) <= tolerance;
    }
    // Rows (or columns) that hold any non-black pixel.
    static std::pair<int, int> InkRange(const QImage& image, bool rows)
    {
        int first = -1;
        int last = -1;
        const int outer = rows ? image.height() : image.width();
        const int inner = rows ? image.width() : image.height();
        for (int i = 0; i < outer; ++i)
            for (int j = 0; j < inner; ++j)
                if (!Black(image, rows ? j : i, rows ? i : j)) {
                    if (first < 0)
                        first = i;
                    last = i;
                    break;
                }
        return {first, last};
    }

    testsupport::TempDir temp;
    CPictureBoxCtrl box;
};

TEST_F(PictureBoxTest, ExactAspectFillsTheInnerAreaWithAThreePixelFrame)
{
    SavePicture(temp / "exact.png", 200, 160, QColor(200, 40, 40));
    const QImage image = Show(temp / "exact.png");
    ASSERT_EQ(image.size(), QSize(kBoxWidth, kBoxHeight));
    EXPECT_EQ(InkRange(image, true), (std::pair{3, 82}));
    EXPECT_EQ(InkRange(image, false), (std::pair{3, 102}));
    EXPECT_TRUE(Near(image.pixelColor(3, 3), QColor(200, 40, 40)));
    EXPECT_TRUE(Near(image.pixelColor(53, 43), QColor(200, 40, 40)));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);  // opaque black around it
}

TEST_F(PictureBoxTest, WideImageTouchesTheSidesWithEqualBandsAboveAndBelow)
{
    SavePicture(temp / "wide.png", 400, 100, Qt::green);
    const QImage image = Show(temp / "wide.png");
    EXPECT_EQ(InkRange(image, false), (std::pair{3, 102}));
    const auto [top, bottom] = InkRange(image, true);
    EXPECT_EQ(bottom - top + 1, 25);
    EXPECT_LE(std::abs(top - (kBoxHeight - 1 - bottom)), 1);
}

TEST_F(PictureBoxTest, TallImageTouchesTopAndBottomCentredAcross)
{
    SavePicture(temp / "tall.jpg", 100, 400, Qt::white);
    const QImage image = Show(temp / "tall.jpg");
    EXPECT_EQ(InkRange(image, true), (std::pair{3, 82}));
    const auto [left, right] = InkRange(image, false);
    EXPECT_EQ(right - left + 1, 20);
    EXPECT_LE(std::abs(left - (kBoxWidth - 1 - right)), 1);
}

TEST_F(PictureBoxTest, SmallIconIsEnlargedAndSmoothed)
{
    // 16 x 16: left half black, right half white.
    QImage icon(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            icon.setPixel(x, y, x < 8 ? qRgb(0, 0, 255) : qRgb(255, 255, 255));
    ASSERT_TRUE(icon.save(QString::fromStdString((temp / "icon.bmp").string()), "BMP"));
    const QImage image = Show(temp / "icon.bmp");
    EXPECT_EQ(InkRange(image, true), (std::pair{3, 82}));  // 80 x 80, square
    // Across the edge there are in-between colours, not a hard step.
    int blends = 0;
    for (int x = 13; x < 93; ++x) {
        const QColor c = image.pixelColor(x, 43);
        blends += c.red() > 30 && c.red() < 225;
    }
    EXPECT_GE(blends, 3);
}

TEST_F(PictureBoxTest, TransparentPartsComeOutBlack)
{
    QImage picture(100, 80, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < 80; ++y)
        for (int x = 50; x < 100; ++x)
            picture.setPixel(x, y, qRgba(255, 255, 0, 255));
    ASSERT_TRUE(picture.save(QString::fromStdString((temp / "half.png").string()), "PNG"));
    const QImage image = Show(temp / "half.png");
    EXPECT_TRUE(Black(image, 20, 40));
    EXPECT_TRUE(Near(image.pixelColor(80, 40), QColor(255, 255, 0)));
    EXPECT_EQ(qAlpha(image.pixel(20, 40)), 255);
}

TEST_F(PictureBoxTest, UnreadableMissingAndNoPathAreBlack)
{
    testsupport::WriteText(temp / "fake.png", "this is not a picture");
    for (const fs::path& file : {temp / "fake.png", temp / "missing.png"}) {
        const QImage image = Show(file);
        EXPECT_FALSE(box.Bitmap().isNull());
        EXPECT_EQ(InkRange(image, true), (std::pair{-1, -1})) << file;
    }
    box.SetImage(QString());
    EXPECT_TRUE(box.Bitmap().isNull());
    EXPECT_EQ(InkRange(box.Rendered(), true), (std::pair{-1, -1}));
    // Painting copies the same black.
    const QImage painted = box.grab().toImage();
    EXPECT_TRUE(Black(painted, painted.width() / 2, painted.height() / 2));
}

TEST_F(PictureBoxTest, PaintingCopiesThePreparedPicture)
{
    SavePicture(temp / "exact.png", 200, 160, QColor(10, 120, 220));
    Show(temp / "exact.png");
    const QImage painted = box.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(painted, box.Bitmap());
}

}  // namespace
