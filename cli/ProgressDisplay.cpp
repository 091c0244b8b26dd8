#include "cli/ProgressDisplay.h"

#include <algorithm>

namespace {

constexpr int BAR_WIDTH = 24;
constexpr double PLAIN_LINE_INTERVAL = 30.0;

}  // namespace

std::string FormatProgressBar(int position, int total)
{
    const int done = std::clamp(position, 0, std::max(total, 0));
    const double fraction = total > 0 ? static_cast<double>(done) / total : 0.0;
    const int filled = static_cast<int>(fraction * BAR_WIDTH);
    return "[" + std::string(filled, '#') + std::string(BAR_WIDTH - filled, '.') + "]";
}

std::string FormatProgressLine(int position, int total, double elapsedSeconds)
{
    const int done = std::clamp(position, 0, std::max(total, 0));
    const double fraction = total > 0 ? static_cast<double>(done) / total : 0.0;
    std::string line = FormatProgressBar(position, total);
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " %d/%d s %3d%%", done, total, static_cast<int>(fraction * 100.0));
    line += numbers;
    line += "  elapsed " + FormatDuration(static_cast<long>(elapsedSeconds));
    if (done > 0)
        line += "  left " + FormatDuration(static_cast<long>(elapsedSeconds * (total - done) / done + 0.5));
    else
        line += "  left --:--";
    return line;
}

CProgressDisplay::CProgressDisplay(std::FILE* out, bool inPlace) : m_out(out), m_bInPlace(inPlace) {}

void CProgressDisplay::Update(int position, int total, double elapsedSeconds)
{
    if (total > 0)
        Show(FormatProgressLine(position, total, elapsedSeconds), position, total, elapsedSeconds);
}

void CProgressDisplay::Show(const std::string& line, int position, int total, double elapsedSeconds)
{
    if (total <= 0)
        return;
    if (m_bInPlace) {
        // Blanks over what a longer earlier line left behind.
        const size_t pad = m_nLastWidth > line.size() ? m_nLastWidth - line.size() : 0;
        std::fprintf(m_out, "\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
        m_nLastWidth = line.size();
    } else {
        const int tenth = static_cast<int>(10LL * std::clamp(position, 0, total) / total);
        if (m_bShown && tenth == m_nLastTenth && elapsedSeconds - m_lastLineTime < PLAIN_LINE_INTERVAL)
            return;
        std::fprintf(m_out, "%s\n", line.c_str());
        m_nLastTenth = tenth;
        m_lastLineTime = elapsedSeconds;
    }
    m_bShown = true;
    std::fflush(m_out);
}

void CProgressDisplay::Finish()
{
    if (m_bInPlace && m_bShown) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
    m_bShown = false;
}
