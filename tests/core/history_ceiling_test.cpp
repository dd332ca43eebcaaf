#include <gtest/gtest.h>

#include <QString>

#include "controls/GridModel.h"
#include "support/DialogueFixture.h"

using namespace Qt::StringLiterals;

namespace {

// The oldest rows go with everything that belongs to them; what stays keeps
// its text, colours and styles, and a view that borrowed the dropped text
// keeps reading it.
TEST(GridDropTest, DroppedRowsTakeTheirColoursStylesAndTextAlong)
{
    GridModel lender(1), borrower(2);
    borrower.borrowTextFrom(&lender);
    lender.setRowCount(6);
    for (int row = 1; row <= 6; ++row)
        lender.appendText(1, row, u"row %1 text"_s.arg(row));
    TextStyle red;
    red.fore = TextStyle::indexed(1);
    lender.setStyleFrom(1, 2, 4, red);
    lender.setStyleFrom(1, 5, 0, red);
    lender.setRowForeColor(1, 0x11);
    lender.setRowForeColor(5, 0x55);
    borrower.setRowCount(1);
    borrower.setText(2, 1, lender.text(1, 2));

    lender.dropOldestRows(3);
    ASSERT_EQ(lender.rowCount(), 3);
    EXPECT_EQ(lender.text(1, 1), u"row 4 text"_s);
    EXPECT_EQ(lender.text(1, 3), u"row 6 text"_s);
    EXPECT_EQ(lender.rowForeColor(2), 0x55);
    EXPECT_FALSE(lender.rowForeColor(1).has_value());
    EXPECT_TRUE(lender.styleRuns(1, 1).empty());
    ASSERT_FALSE(lender.styleRuns(1, 2).empty());
    EXPECT_EQ(lender.styleRuns(1, 2).begin->offset, 0);
    EXPECT_EQ(borrower.text(2, 1), u"row 2 text"_s);

    lender.appendText(1, 3, u" more"_s);
    EXPECT_EQ(lender.text(1, 3), u"row 6 text more"_s);
    lender.dropOldestRows(10);
    EXPECT_EQ(lender.rowCount(), 0);
    EXPECT_EQ(borrower.text(2, 1), u"row 2 text"_s);
}

TEST(GridDropTest, PackingAfterADropFreesTheMemory)
{
    GridModel grid(1);
    const QString line(200, u'x');
    grid.setRowCount(20000);
    for (int row = 1; row <= 20000; ++row)
        grid.appendText(1, row, line);
    const qint64 full = grid.memoryUse();
    grid.dropOldestRows(15000);
    EXPECT_LT(grid.memoryUse(), full / 2);
    EXPECT_EQ(grid.text(1, 5000), line);
}

class HistoryCeilingTest : public DialogueFixture {};

// A host that sends without end cannot make the client run out of memory:
// past the ceiling the oldest rows of both views go, and the user is told
// once.
TEST_F(HistoryCeilingTest, OldestRowsGoPastTheCeiling)
{
    setSetting(u"HistoryMemoryLimitMB"_s, u"1"_s);
    enterChat();
    QString block;
    for (int i = 0; i < 40000; ++i)
        block += u"Jiro>message number %1 of a long evening\r\n"_s.arg(i);
    receive(block);

    EXPECT_LE(terminal.memoryUse() + chat.memoryUse(), qint64(1) << 20);
    EXPECT_LT(terminal.rowCount(), 40000);
    EXPECT_EQ(terminal.text(1, terminal.rowCount() - 1), u"Jiro>message number 39999 of a long evening"_s);
    ASSERT_GT(chat.rowCount(), 1);
    EXPECT_EQ(chat.text(1, chat.rowCount()), u"Jiro"_s);
    EXPECT_EQ(chat.text(2, chat.rowCount()), u"message number 39999 of a long evening"_s);
    EXPECT_EQ(chat.text(2, 1).left(15), u"message number "_s);
    EXPECT_EQ(window.statuses.filter(u"メモリの上限"_s).size(), 1);
    EXPECT_EQ(terminalView.activeRow(), terminal.rowCount() - 1);
}

}  // namespace
