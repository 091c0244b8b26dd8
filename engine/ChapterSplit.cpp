#include "engine/ChapterSplit.h"

#include <algorithm>
#include <optional>

#include "base/Text.h"

namespace {

uint64_t Distance(uint64_t a, uint64_t b)
{
    return a > b ? a - b : b - a;
}

// The windows [first, last) that lie wholly within the reach of `target`.
struct sReach {
    size_t first = 0;
    size_t last = 0;
};

sReach ReachOf(uint64_t target, uint64_t reach, uint64_t start, uint64_t end, uint32_t window)
{
    const uint64_t from = std::max(target > reach ? target - reach : 0, start);
    const uint64_t to = std::min(target + reach, end);
    sReach windows;
    windows.first = static_cast<size_t>((from + window - 1) / window);
    windows.last = static_cast<size_t>(to / window);
    return windows;
}

// The middle of the longest run of quiet windows in `reach` at least
// `minRun` long, if any.
std::optional<uint64_t> LongestPause(const std::vector<float>& levels, sReach reach, size_t minRun, uint32_t window,
                      uint64_t target)
{
    std::optional<uint64_t> best;
    size_t bestRun = 0;
    for (size_t k = reach.first; k < reach.last;) {
        if (k >= levels.size() || !(levels[k] < kPauseMeanSquare)) {
            ++k;
            continue;
        }
        size_t runEnd = k;
        while (runEnd < reach.last && runEnd < levels.size() && levels[runEnd] < kPauseMeanSquare)
            ++runEnd;
        const size_t run = runEnd - k;
        const uint64_t middle = (uint64_t{k} + runEnd) * window / 2;
        if (run >= minRun && (run > bestRun || (run == bestRun && Distance(middle, target) < Distance(*best, target)))) {
            best = middle;
            bestRun = run;
        }
        k = runEnd;
    }
    return best;
}

// The middle of the quietest `span` windows in `reach`; of those within
// 1 dB of it, the one nearest the target.
uint64_t QuietestStretch(const std::vector<float>& levels, sReach reach, size_t span, uint32_t window,
                         uint64_t target)
{
    const auto level = [&](size_t k) { return k < levels.size() ? static_cast<double>(levels[k]) : 1.0; };
    span = std::clamp<size_t>(span, 1, reach.last - reach.first);
    std::vector<double> sums;
    double sum = 0;
    for (size_t k = reach.first; k < reach.last; ++k) {
        sum += level(k);
        if (k >= reach.first + span)
            sum -= level(k - span);
        if (k + 1 >= reach.first + span)
            sums.push_back(std::max(sum, 0.0));
    }
    const double quietest = *std::min_element(sums.begin(), sums.end());
    const double within = quietest * 1.2589254;  // 1 dB
    uint64_t best = 0;
    bool found = false;
    for (size_t i = 0; i < sums.size(); ++i) {
        const uint64_t middle = (2 * (reach.first + i) + span) * uint64_t{window} / 2;
        if (sums[i] <= within && (!found || Distance(middle, target) < Distance(best, target))) {
            best = middle;
            found = true;
        }
    }
    return best;
}

}  // namespace

int SplitPartCount(uint64_t chapter, uint64_t length)
{
    if (length == 0 || chapter * 2 <= length * 3)
        return 1;
    return static_cast<int>((chapter + length / 2) / length);
}

std::vector<uint64_t> ChooseCuts(const std::vector<float>& levels, uint32_t window, uint32_t rate, uint64_t start,
                                 uint64_t end, uint64_t length, eSplitMode mode)
{
    std::vector<uint64_t> cuts;
    if (mode == eSplitMode::Off || end <= start)
        return cuts;
    const int parts = SplitPartCount(end - start, length);
    const uint64_t reach = length / kCutReachDivisor;
    const size_t minRun = window ? (uint64_t{rate} * kMinPauseMs / 1000 + window - 1) / window : 0;
    for (int k = 1; k < parts; ++k) {
        const uint64_t target = start + (end - start) * static_cast<uint64_t>(k) / static_cast<uint64_t>(parts);
        uint64_t cut = target;
        const sReach windows = window ? ReachOf(target, reach, start, end, window) : sReach{};
        if (mode == eSplitMode::Pauses && windows.first < windows.last && windows.first < levels.size()) {
            const std::optional<uint64_t> pause = LongestPause(levels, windows, minRun, window, target);
            cut = pause ? *pause : QuietestStretch(levels, windows, minRun, window, target);
        }
        cuts.push_back(cut);
    }
    return cuts;
}

std::u16string PartTitle(const std::u16string& title, int part, int parts, bool wholeBook)
{
    if (part <= 1)
        return title;
    if (wholeBook)
        return u"Part " + FromUtf8(std::to_string(part));
    return title + u" (" + FromUtf8(std::to_string(part)) + u"/" + FromUtf8(std::to_string(parts)) + u")";
}
