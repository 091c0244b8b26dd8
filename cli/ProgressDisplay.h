#pragma once
// The progress of a conversion on standard error: a bar redrawn in place on
// a terminal, occasional plain lines otherwise.
#include <cstdio>
#include <string>

#include "base/Text.h"  // FormatDuration


// "[#####.........]  12/345 s   3%  elapsed 0:05  left 2:10"; the time
// left is "--:--" until some audio is done.
std::string FormatProgressLine(int position, int total, double elapsedSeconds);
// "[#####.........]" for `position` of `total`.
std::string FormatProgressBar(int position, int total);

class CProgressDisplay {
public:
    // `inPlace`: redraw one line (a terminal); otherwise write a line now and
    // then (every tenth of the book, or half a minute).
    CProgressDisplay(std::FILE* out, bool inPlace);
    // `total` 0: nothing known yet, nothing shown.
    void Update(int position, int total, double elapsedSeconds);
    // Shows `line` for that position, as Update shows its own.
    void Show(const std::string& line, int position, int total, double elapsedSeconds);
    // Ends the redrawn line.
    void Finish();

private:
    std::FILE* m_out;
    bool m_bInPlace;
    bool m_bShown = false;
    size_t m_nLastWidth = 0;
    int m_nLastTenth = -1;
    double m_lastLineTime = 0.0;
};
