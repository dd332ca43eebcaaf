#pragma once

#include <QtGlobal>

// The cost of a flood of ">" after a main-menu prompt (each one closes the
// prompt again and applies the mode) against the same number of letters,
// both received through the real main window, shown offscreen. Returns the
// ratio of the two work times (">" over letters).
double gtFloodVsLetters(qsizetype bytes, qsizetype block, int repeat);
