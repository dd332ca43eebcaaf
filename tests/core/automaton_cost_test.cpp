#include <QString>

#include <gtest/gtest.h>

#include "support/BufferMoves.h"
#include "support/DialogueFixture.h"

using namespace Qt::StringLiterals;

namespace {

// A host that never ends a line must not make each character cost more than
// the one before: here the handle lookup follows a listing line of a million
// characters, which is the costliest thing the automaton does per step.
class AutomatonCostTest : public DialogueFixture {};

TEST_F(AutomatonCostTest, AMillionCharacterListingLineCostsLinearWork)
{
    connect();
    dialogue.settings().HandleName.clear();
    dialogue.settings().AutoGetHandleName = true;
    receive(u"MAIN (\r\n"_s);  // the log-in ends; the next character arms the lookup

    const QString head = u"xxH: ハンドル名 :  Taro INSTALL (1)> User ID= Password= :: CHAT ("_s;
    // "=" closes no prompt of this line but makes every step look at it.
    const QString chunk = u"abc def: ghi= jk  間違ってい ｱｲｳ "_s;
    QString line = head;
    while (line.size() < (1 << 20))
        line += chunk;

    // The name followed is copied whole only where it starts over: each
    // block would move it if every step copied it whole.
    BufferMoves moves(dialogue.settings().HandleName);
    constexpr qsizetype kBlock = 1 << 12;
    for (qsizetype at = 0; at < line.size(); at += kBlock) {
        const qsizetype received = qMin(at + kBlock, line.size());
        if (at == line.size() / 2 / kBlock * kBlock)
            dialogue.settings().HandleName = u"Jiro"_s;  // as a reload would
        receive(line.sliced(at, received - at));
        // Checked per block, so work that grows with the line fails early.
        ASSERT_LE(moves.observe(), 64) << received << " characters received";
    }

    ASSERT_EQ(terminal.text(1, terminal.rowCount()).size(), line.size());
    EXPECT_EQ(dialogue.pendingCommand(), Command::GetHandle);
    QStringView expected = QStringView(line).sliced(line.indexOf(u':', 2) + 1);
    while (expected.front() == u' ')
        expected = expected.sliced(1);
    while (expected.back() == u' ')
        expected.chop(1);
    EXPECT_EQ(dialogue.settings().HandleName, expected);
    // The install menu's prompt was left, as the name was known.
    EXPECT_EQ(sent(), QStringList{u"0\r\n"_s});
}

}  // namespace
