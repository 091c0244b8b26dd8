#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "cli/ProgressDisplay.h"

TEST(ProgressDisplay, DurationsInMinutesOrHours)
{
    EXPECT_EQ(FormatDuration(0), "0:00");
    EXPECT_EQ(FormatDuration(65), "1:05");
    EXPECT_EQ(FormatDuration(3600 + 61), "1:01:01");
    EXPECT_EQ(FormatDuration(-3), "0:00");
}

TEST(ProgressDisplay, LineShowsDoneTotalPercentAndTimes)
{
    EXPECT_EQ(FormatProgressLine(30, 120, 10.0), "[######..................] 30/120 s  25%  elapsed 0:10  left 0:30");
    EXPECT_EQ(FormatProgressLine(0, 120, 1.0), "[........................] 0/120 s   0%  elapsed 0:01  left --:--");
    // A position past the total (the total is an estimate) is shown as done.
    EXPECT_EQ(FormatProgressLine(130, 120, 8.0), "[########################] 120/120 s 100%  elapsed 0:08  left 0:00");
}

namespace {

std::string Written(bool inPlace, const std::vector<std::tuple<int, int, double>>& updates)
{
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    {
        CProgressDisplay display(out, inPlace);
        for (const auto& [position, total, elapsed] : updates)
            display.Update(position, total, elapsed);
        display.Finish();
    }
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

size_t Count(const std::string& text, char c)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), c));
}

}  // namespace

TEST(ProgressDisplay, TerminalRedrawsOneLine)
{
    const std::string text = Written(true, {{0, 0, 0.1}, {1, 100, 0.2}, {2, 100, 0.3}, {100, 100, 1.0}});
    EXPECT_EQ(Count(text, '\r'), 3u);  // nothing while the total is unknown
    EXPECT_EQ(Count(text, '\n'), 1u);
}

TEST(ProgressDisplay, PlainOutputWritesOccasionalLines)
{
    std::vector<std::tuple<int, int, double>> updates;
    for (int i = 0; i <= 100; ++i)
        updates.emplace_back(i, 100, i * 0.1);
    const std::string text = Written(false, updates);
    EXPECT_EQ(Count(text, '\r'), 0u);
    EXPECT_EQ(Count(text, '\n'), 11u);  // each tenth of the book once

    // A long stretch without progress still gives a line now and then.
    const std::string slow = Written(false, {{1, 100, 0.0}, {1, 100, 10.0}, {1, 100, 31.0}});
    EXPECT_EQ(Count(slow, '\n'), 2u);
}
