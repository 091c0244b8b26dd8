#pragma once
// Qt-free layout arithmetic of the main window: dialog units to pixels and
// the resize rules that move and grow controls with the client area.
#include <cstdint>

struct sLayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const sLayoutRect&) const = default;
};

// Dialog units: a quarter of the font's average character width across, an
// eighth of its height down (rounded like a multiply-then-divide).
struct sDialogUnits {
    int baseWidth = 0;   // average character width in pixels
    int baseHeight = 0;  // character height in pixels
    int X(int units) const;
    int Y(int units) const;
    sLayoutRect Rect(int x, int y, int width, int height) const;
};

// Average character width as dialogs measure it: the width of the 52
// letters A-Z a-z, plus 26, divided by 52.
int AverageCharWidth(int alphabetWidth);

// What a control does when the client area changes size.
enum eResizeRule : uint8_t {
    RESIZE_NONE = 0,
    RESIZE_MOVE_X = 1,   // moves right by the width change
    RESIZE_MOVE_Y = 2,   // moves down by the height change
    RESIZE_SIZE_X = 4,   // grows by the width change
    RESIZE_SIZE_Y = 8,   // grows by the height change
};

// Position of a control that had `initial` when the client area measured
// initialWidth x initialHeight, now that it measures width x height.
sLayoutRect ApplyResizeRule(const sLayoutRect& initial, int rules, int initialWidth, int initialHeight, int width,
                            int height);

// The smallest window: three quarters of the initial width plus 20, two
// thirds of the initial height.
void MinimumTrackSize(int initialWidth, int initialHeight, int& minWidth, int& minHeight);
