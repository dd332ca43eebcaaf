// The view's find summaries are built from the event loop: one block a tick
// while rows keep arriving, a slice of several milliseconds while the grid
// is quiet, and nothing once every complete block is summarised.

#include <gtest/gtest.h>

#include "controls/GridModel.h"
#include "controls/GridViewState.h"
#include "controls/SearchSummaries.h"
#include "controls/qt/IdleSummarizer.h"
#include "support/qt/EventWait.h"

namespace {

constexpr int kBlock = SearchSummaries::kRowsPerBlock;

TEST(IdleSummarizer, OneBlockATickWhileRowsArriveTheRestOnceQuiet)
{
    GridModel grid(1);
    GridViewState view(grid);
    grid.setRowCount(6 * kBlock + 1);
    for (int row = 1; row <= grid.rowCount(); ++row)
        grid.setText(1, row, QStringLiteral("row %1").arg(row % 7));
    SearchSummaries& summaries = view.searchSummaries();
    IdleSummarizer summarizer(summaries);

    summarizer.gridChanged();
    EXPECT_TRUE(summarizer.isActive());
    summarizer.tick();
    EXPECT_EQ(summaries.summarizedBlocks(), 1);
    summarizer.gridChanged();
    summarizer.tick();
    EXPECT_EQ(summaries.summarizedBlocks(), 2);
    EXPECT_TRUE(summarizer.isActive());

    // Quiet: the timer goes on until every complete block is summarised.
    ASSERT_TRUE(waitUntil([&] { return summaries.isComplete(); }));
    EXPECT_EQ(summaries.summarizedBlocks(), 6);
    settle();
    EXPECT_FALSE(summarizer.isActive());

    // A rewritten row brings its block back to be summarised.
    grid.setText(1, 3, u"zephyr");
    EXPECT_EQ(summaries.summarizedBlocks(), 5);
    summarizer.gridChanged();
    ASSERT_TRUE(waitUntil([&] { return summaries.isComplete(); }));
    EXPECT_EQ(summaries.summarizedBlocks(), 6);
}

}  // namespace
