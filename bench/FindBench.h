#pragma once

#include <QtGlobal>

// Find over the terminal view's history of `lines` received lines, of
// chat-like text (words people use, figures named "find-...") and of the
// board-like traffic of characters drawn at random ("find-...-random-text"),
// each with a few matching lines among the last thousand:
// the time to the first match from the first row (the whole history lies
// before it), the time to count every match, and the count of a common
// word. The first match and the count are timed reading every row
// ("-unindexed") and with the block summaries built, whose building is timed
// too. Prints "find-..." figures.
void findInHistory(qint64 lines, qsizetype block, int repeat);
