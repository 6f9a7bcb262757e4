#include "cli/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace zel::cli {

namespace {
constexpr int bar_width = 30;
}

Progress::Progress() : enabled_(::isatty(STDERR_FILENO) == 1) {}

Progress::~Progress()
{
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
    }
}

void Progress::show(int done, int total)
{
    if (!enabled_ || total <= 0) {
        return;
    }
    const int filled = std::clamp(done * bar_width / total, 0, bar_width);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(bar_width - filled), '.');
    std::fprintf(stderr, "\rscanning [%s] %d/%d", bar.c_str(), done, total);
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace zel::cli
