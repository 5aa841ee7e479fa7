// Two panes side by side with a splitter between them: the widths for a
// share, and the share for a pointer position. Kept apart from the window
// so the rules are tested without one.
#pragma once

struct SplitPanes {
    int left;
    int right;
};

// total pixels hold the left pane, gap pixels of splitter and the right
// pane. ratio is the left pane's share of what the gap leaves (0.5 when it
// is not a number in [0, 1]); each pane keeps at least minPane pixels while
// the total allows, else both get half.
SplitPanes SplitWidths(int total, int gap, double ratio, int minPane);

// The share that puts the splitter's left edge x pixels from the left pane's
// left edge, held to the same limits.
double SplitRatioAt(int x, int total, int gap, int minPane);
