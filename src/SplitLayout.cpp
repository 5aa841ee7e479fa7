#include "src/SplitLayout.h"

#include <algorithm>
#include <cmath>

namespace {

struct Bounds {
    int avail;
    int lo;
    int hi;
};

Bounds Limits(int total, int gap, int minPane) {
    Bounds b;
    b.avail = std::max(0, total - std::max(0, gap));
    const int keep = std::min(std::max(0, minPane), b.avail / 2);
    b.lo = keep;
    b.hi = b.avail - keep;
    return b;
}

}  // namespace

SplitPanes SplitWidths(int total, int gap, double ratio, int minPane) {
    const Bounds b = Limits(total, gap, minPane);
    if (!(ratio >= 0.0 && ratio <= 1.0)) ratio = 0.5;  // also NaN
    const int left = std::clamp(static_cast<int>(std::lround(b.avail * ratio)), b.lo, b.hi);
    return SplitPanes{left, b.avail - left};
}

double SplitRatioAt(int x, int total, int gap, int minPane) {
    const Bounds b = Limits(total, gap, minPane);
    if (b.avail == 0) return 0.5;
    return static_cast<double>(std::clamp(x, b.lo, b.hi)) / b.avail;
}
