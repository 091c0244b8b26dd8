#include "ui/DialogLayout.h"

namespace {
int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}
}  // namespace

int sDialogUnits::X(int units) const { return MulDiv(units, baseWidth, 4); }
int sDialogUnits::Y(int units) const { return MulDiv(units, baseHeight, 8); }

sLayoutRect sDialogUnits::Rect(int x, int y, int width, int height) const
{
    // Right and bottom edges are converted, not the sizes, so that adjacent
    // controls stay adjacent.
    const int left = X(x);
    const int top = Y(y);
    return {left, top, X(x + width) - left, Y(y + height) - top};
}

int AverageCharWidth(int alphabetWidth) { return (alphabetWidth + 26) / 52; }

sLayoutRect ApplyResizeRule(const sLayoutRect& initial, int rules, int initialWidth, int initialHeight, int width,
                            int height)
{
    const int dx = width - initialWidth;
    const int dy = height - initialHeight;
    sLayoutRect rect = initial;
    if (rules & RESIZE_MOVE_X)
        rect.x += dx;
    if (rules & RESIZE_MOVE_Y)
        rect.y += dy;
    if (rules & RESIZE_SIZE_X)
        rect.width += dx;
    if (rules & RESIZE_SIZE_Y)
        rect.height += dy;
    return rect;
}

void MinimumTrackSize(int initialWidth, int initialHeight, int& minWidth, int& minHeight)
{
    minWidth = initialWidth * 3 / 4 + 20;
    minHeight = initialHeight * 2 / 3;
}
