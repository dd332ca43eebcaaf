#include <QTemporaryFile>
#include <gtest/gtest.h>

#include "common/Cp932.h"
#include "controls/GridModel.h"
#include "main/DialogueSession.h"
#include "support/PrintBoardState.h"
#include "support/BufferMoves.h"
#include "support/qt/BoardProcess.h"
#include "support/qt/EventWait.h"
#include "support/qt/LiveClient.h"

using namespace Qt::StringLiterals;

namespace {

// A host that sends a megabyte without ever ending the line, over TCP in
// whatever blocks the network makes of it: the terminal row holds it whole
// and the prompt automaton's work stays linear in its length.
TEST(LongLineTest, AMegabyteLineWithoutCarriageReturnArrivesWholeWithLinearWork)
{
    // After the main menu the handle lookup is armed; the line is a profile
    // listing that never ends, with a step looking at it at every "=" and a menu prompt closing once.
    const QString head = u"xxH: ハンドル名 :  Taro INSTALL (1)> CHAT ("_s;
    const QString chunk = u"abc def: ghi= jk  間違ってい ｱｲｳ "_s;
    QString line = head;
    while (line.size() < (1 << 20))
        line += chunk;
    const QString text = u"MAIN (\r\n"_s + line;
    QTemporaryFile script;
    ASSERT_TRUE(script.open());
    script.write(Cp932::encode(text).bytes);
    script.close();

    BoardProcess board(QStringLiteral(ZKT_BOARD_PATH));
    ASSERT_TRUE(board.start({u"--script"_s, script.fileName()})) << board.error().toStdString();
    LiveClient client;
    client.set(u"ConnectionAddress"_s, u"127.0.0.1"_s);
    client.set(u"ConnectionPort"_s, QString::number(board.port()));
    client.set(u"UserID"_s, u"demo"_s);
    client.set(u"Password"_s, u"demo"_s);
    client.set(u"HandleName"_s, {});
    client.start();

    const GridModel& terminal = client.window->terminalModel();
    // The name followed moves to a new buffer only as its appends outgrow
    // the old one; copied whole at every step, it would move at every turn.
    BufferMoves moves(client.window->dialogue().settings().HandleName);
    bool linear = true;
    ASSERT_TRUE(client.press(1));
    // Checked at every turn of the loop, so work that grows with the line
    // stops the wait early instead of running into the cap.
    const bool whole = waitUntil([&] {
        const qsizetype received = terminal.rowCount() == 2 ? terminal.text(1, 2).size() : 0;
        linear = moves.observe() <= 64;
        return !linear || received == line.size();
    });
    ASSERT_TRUE(linear) << "the handle name moved " << moves.observe() << " times";
    ASSERT_TRUE(whole) << "rows: " << terminal.rowCount();
    EXPECT_TRUE(terminal.text(1, 2) == line);
    EXPECT_EQ(terminal.text(1, 1), u"MAIN ("_s);

    // The name is the listing after its colon, followed as it grew.
    QStringView expected = QStringView(line).sliced(line.indexOf(u':', 2) + 1).trimmed();
    EXPECT_TRUE(client.window->dialogue().settings().HandleName == expected);
    EXPECT_EQ(client.window->dialogue().pendingCommand(), Command::GetHandle);
    // The install menu's prompt closed once and was left with "0".
    const QByteArray zeros = QByteArray("0\r\n").repeated(line.count(u'>'));
    ASSERT_EQ(line.count(u'>'), 1);
    EXPECT_TRUE(board.waitForReceived(1, zeros)) << board.received(1).size() << " bytes";
    EXPECT_EQ(client.mode(), Mode::Main);
}

}  // namespace
