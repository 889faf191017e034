#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal and
// the file is long enough for the wait to be noticed.

#include <cstdint>

namespace fxcorehost {

class ProgressBar {
public:
    // total and done are frames; rate turns them into seconds for the text.
    ProgressBar(std::int64_t totalFrames, int sampleRate);
    ~ProgressBar();  // clears the line if it was drawn
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // [main-thread] Redraws when the shown percentage changes.
    void update(std::int64_t doneFrames);
    void finish();

    // Files shorter than this many seconds render before a bar would be read.
    static constexpr double kMinSeconds = 20.0;

private:
    std::int64_t m_total;
    int m_rate;
    bool m_enabled;
    int m_shownPercent = -1;
};

}  // namespace fxcorehost
