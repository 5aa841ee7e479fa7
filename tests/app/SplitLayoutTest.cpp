#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "src/SplitLayout.h"

TEST(SplitLayout, WidthsForAShare) {
    struct Case {
        const char* name;
        int total, gap;
        double ratio;
        int minPane, left, right;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"even", 905, 5, 0.5, 120, 450, 450},
        {"odd space rounds", 906, 5, 0.5, 120, 451, 450},
        {"a third", 605, 5, 1.0 / 3, 120, 200, 400},
        {"held to the left minimum", 905, 5, 0.01, 120, 120, 780},
        {"held to the right minimum", 905, 5, 0.99, 120, 780, 120},
        {"too narrow for both minimums: halves", 205, 5, 0.9, 120, 100, 100},
        {"no room at all", 3, 5, 0.5, 120, 0, 0},
        {"negative total", -40, 5, 0.5, 120, 0, 0},
        {"not a share", 905, 5, nan, 120, 450, 450},
        {"above one", 905, 5, 7.0, 120, 450, 450},
        {"below zero", 905, 5, -1.0, 120, 450, 450},
        {"no gap, no minimum", 100, 0, 0.0, 0, 0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SplitPanes p = SplitWidths(c.total, c.gap, c.ratio, c.minPane);
        EXPECT_EQ(p.left, c.left);
        EXPECT_EQ(p.right, c.right);
    }
}

TEST(SplitLayout, ShareForAPointerGivesThatWidthBack) {
    struct Case {
        int x, expectLeft;
    };
    // 900 pixels for the panes; the splitter cannot leave either below 120.
    const Case cases[] = {{300, 300}, {450, 450}, {0, 120}, {-50, 120}, {899, 780}, {5000, 780}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        const double share = SplitRatioAt(c.x, 905, 5, 120);
        EXPECT_EQ(SplitWidths(905, 5, share, 120).left, c.expectLeft);
        // The same share keeps the proportion when the window grows.
        const SplitPanes wider = SplitWidths(1805, 5, share, 120);
        EXPECT_NEAR(wider.left, c.expectLeft * 2, 1);
    }
    EXPECT_EQ(SplitRatioAt(10, 4, 5, 120), 0.5);
}
