#include "host/ProgressBar.h"

#include <unistd.h>

#include <cstdio>

namespace fxcorehost {

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::int64_t totalFrames, int sampleRate)
    : m_total(totalFrames),
      m_rate(sampleRate > 0 ? sampleRate : 1),
      m_enabled(isatty(STDERR_FILENO) == 1 &&
                static_cast<double>(totalFrames) > kMinSeconds * static_cast<double>(m_rate)) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::update(std::int64_t doneFrames) {
    if (!m_enabled || m_total <= 0) return;
    const int percent = static_cast<int>(doneFrames * 100 / m_total);
    if (percent == m_shownPercent) return;
    m_shownPercent = percent;
    char bar[kBarWidth + 1];
    const int filled = percent * kBarWidth / 100;
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f / %.1f s", bar, percent,
                 static_cast<double>(doneFrames) / m_rate, static_cast<double>(m_total) / m_rate);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (!m_enabled || m_shownPercent < 0) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    m_shownPercent = -1;
    m_enabled = false;
}

}  // namespace fxcorehost
