// Function-key commands, the input line, quoting from the chat view, the
// socket check of the timer and the cell tips.

#include "support/DialogueFixture.h"
#include "support/RowTest.h"

namespace {

class CommandsTest : public DialogueFixture {
protected:
    // Nothing at all happened since `mark()`.
    void mark()
    {
        writes = window.captionWrites.size();
        statuses = window.statuses.size();
        connects = socket.connectCount();
    }
    void expectNothingSinceMark(int key)
    {
        EXPECT_EQ(window.captionWrites.size(), writes) << "F" << key;
        EXPECT_EQ(window.statuses.size(), statuses) << "F" << key;
        EXPECT_EQ(socket.connectCount(), connects) << "F" << key;
        EXPECT_TRUE(sent().isEmpty()) << "F" << key;
        EXPECT_EQ(window.settingsDialogCount, 0) << "F" << key;
        EXPECT_EQ(window.exitCount, 0) << "F" << key;
    }
    size_t writes = 0;
    qsizetype statuses = 0;
    int connects = 0;
};

TEST_F(CommandsTest, KeysWithoutACommandDoNothing)
{
    struct {
        Mode mode;
        std::vector<int> idleKeys;
    } const cases[] = {
        {Mode::LineOff, {2, 3, 6, 7, 9, 10, 11, 12}},
        {Mode::Main, {3, 5, 6, 9, 10, 11, 12}},
        {Mode::Chat, {1, 3, 5, 6, 9, 10, 11, 12}},
    };
    connect();
    receive(QStringLiteral("welcome\r\n"));
    for (const auto& c : cases) {
        dialogue.setMode(c.mode);
        const Command pending = dialogue.pendingCommand();
        for (int key : c.idleKeys) {
            SCOPED_TRACE(::testing::PrintToString(c.mode));
            mark();
            dialogue.functionKeyPressed(key);
            expectNothingSinceMark(key);
            EXPECT_EQ(dialogue.pendingCommand(), pending);
        }
    }
}

TEST_F(CommandsTest, KeyNumbersOutsideTheBarAreIgnored)
{
    for (int key : {0, -1, 13, 100}) {
        mark();
        dialogue.functionKeyPressed(key);
        expectNothingSinceMark(key);
    }
}

TEST_F(CommandsTest, CommandFollowsTheCaptionNotTheKey)
{
    // F1 carries "ログイン" in LineOff and "ログアウト" in Main.
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(socket.connectCount(), 1);
    socket.setState(TelnetSocket::Connected);
    receive(QStringLiteral("welcome\r\n"));
    dialogue.setMode(Mode::Main);
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(socket.connectCount(), 1);
    EXPECT_EQ(dialogue.pendingCommand(), Command::LogOut);
}

TEST_F(CommandsTest, LogInKeyTurnsIntoAbortUntilTheMainMenu)
{
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(window.captions[0], "中止");
    EXPECT_EQ(dialogue.caption(0), "中止");
    EXPECT_EQ(socket.connectCount(), 1);
    receive(QStringLiteral("welcome\r\n"));
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(socket.connectCount(), 1) << "a second press stops the attempt, it does not start another";
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_EQ(dialogue.caption(0), "ログイン");
    EXPECT_EQ(window.statuses.back(), "接続を中止しました");
}

struct BoardCommandCase : NamedRow<BoardCommandCase> {
    Mode mode;
    int key;
    Command command;
};

using BoardCommands = RowTest<CommandsTest, BoardCommandCase>;

TEST_P(BoardCommands, KeySetsThePendingCommandAndBlanksItself)
{
    const BoardCommandCase& c = GetParam();
    connect();
    receive(QStringLiteral("welcome\r\nsome text"));
    dialogue.setMode(c.mode);
    dialogue.functionKeyPressed(c.key);
    EXPECT_EQ(dialogue.pendingCommand(), c.command);
    EXPECT_EQ(window.captions[c.key - 1], "");
    EXPECT_TRUE(sent().isEmpty()) << "no prompt stands on the current line";
    mark();
    dialogue.functionKeyPressed(c.key);
    expectNothingSinceMark(c.key);
}

INSTANTIATE_TEST_SUITE_P(Commands, BoardCommands,
                         ::testing::Values(BoardCommandCase{"LogOut", Mode::Main, 1, Command::LogOut},
                                           BoardCommandCase{"ChatIn", Mode::Main, 2, Command::ChatIn},
                                           BoardCommandCase{"ChatOut", Mode::Chat, 2, Command::ChatOut}),
                         RowName());

TEST_F(CommandsTest, CommandKeyAnswersAPromptAlreadyStanding)
{
    setSetting("HandleName", "Taro");
    connect();
    receive(QStringLiteral("MAIN (M)>"));
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), QStringList{"C\r\n"});
    EXPECT_EQ(window.captions[1], "チャットイン") << "the prompt's setMode put it back";
}

TEST_F(CommandsTest, ScreenSwitchKeyToggles)
{
    ASSERT_TRUE(terminalView.isVisible());
    dialogue.functionKeyPressed(4);
    EXPECT_TRUE(chatView.isVisible());
    EXPECT_FALSE(terminalView.isVisible());
    dialogue.functionKeyPressed(4);
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_FALSE(chatView.isVisible());
    EXPECT_EQ(window.captions[3], "画面切替") << "not a board command: keeps its caption";
}

TEST_F(CommandsTest, SettingsKeyOnlyWhileOffLine)
{
    dialogue.functionKeyPressed(5);
    EXPECT_EQ(window.settingsDialogCount, 1);
    EXPECT_EQ(window.captions[4], "設定");
    connect();
    dialogue.functionKeyPressed(5);
    EXPECT_EQ(window.settingsDialogCount, 2) << "offered until the first menu prompt";
    dialogue.setMode(Mode::Main);
    dialogue.functionKeyPressed(5);
    EXPECT_EQ(window.settingsDialogCount, 2);
}

TEST_F(CommandsTest, ExitKeyEndsTheApplication)
{
    for (Mode mode : {Mode::LineOff, Mode::Main, Mode::Chat}) {
        dialogue.setMode(mode);
        dialogue.functionKeyPressed(8);
    }
    EXPECT_EQ(window.exitCount, 3);
    EXPECT_EQ(socket.closeCount(), 0) << "the socket is not closed first";
}

struct HelpCase : NamedRow<HelpCase> {
    Mode mode;  // stored as the current mode
    QStringList sent;
};

using Help = RowTest<CommandsTest, HelpCase>;

TEST_P(Help, RequestDependsOnTheMode)
{
    const Mode mode = GetParam().mode;
    if (mode != Mode::LineOff) {
        connect();
        if (mode == Mode::Chat)
            receive(kEntryLine + "\r\n");
    } else {
        socket.setState(TelnetSocket::Connected);
    }
    ASSERT_EQ(dialogue.currentMode(), mode);
    dialogue.setMode(Mode::Main);  // the help caption, whatever the mode
    dialogue.functionKeyPressed(7);
    EXPECT_EQ(sent(), GetParam().sent);
    EXPECT_EQ(window.captions[6], "ヘルプ") << "not a board command: keeps its caption";
}

INSTANTIATE_TEST_SUITE_P(Commands, Help,
                         ::testing::Values(HelpCase{"Chat", Mode::Chat, {"/?\r\n"}},
                                           HelpCase{"Main", Mode::Main, {"?\r\n"}},
                                           HelpCase{"LineOff", Mode::LineOff, {}}),
                         RowName());

struct EnterCase : NamedRow<EnterCase> {
    bool localEcho;
    bool inRoom;
    QString typed;
    QStringList sent;
    std::vector<ChatRow> rows;  // after the entry announcement, in the room
};

using Enter = RowTest<CommandsTest, EnterCase>;

TEST_P(Enter, SendsTheLineAndEchoesChatLines)
{
    const EnterCase& c = GetParam();
    setSetting("HandleName", "Taro");
    setSetting("LocalEcho", c.localEcho ? "True" : "False");
    if (c.inRoom)
        enterChat();
    else
        connect();
    const int rowsBefore = chat.rowCount();
    window.input = c.typed;
    dialogue.inputLineEnter();
    EXPECT_EQ(sent(), c.sent);
    EXPECT_EQ(window.input, "");
    const std::vector<ChatRow> all = chatRows();
    const std::vector<ChatRow> added(all.begin() + rowsBefore, all.end());
    EXPECT_EQ(added, c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Enter,
    ::testing::Values(EnterCase{"EchoOff", false, true, "hello", {"hello\r\n"}, {}},
                      EnterCase{"EchoOn", true, true, "hello", {"hello\r\n"}, {{"Taro", "hello"}}},
                      EnterCase{"EchoOnOutsideRoom", true, false, "hello", {"hello\r\n"}, {}},
                      EnterCase{"EmptyLine", false, true, "", {"\r\n"}, {}},
                      EnterCase{"EmptyLineEchoOn", true, true, "", {"\r\n"}, {{"Taro", ""}}},
                      EnterCase{"SlashSlashNeverEchoed", true, true, "//", {"//\r\n"}, {}},
                      EnterCase{"SlashQuestionNeverEchoed", true, true, "/?", {"/?\r\n"}, {}},
                      EnterCase{"SlashOnlyFirstCharacter", true, true, " /x", {" /x\r\n"}, {{"Taro", " /x"}}},
                      EnterCase{"SentAsTyped", false, false, "  spaced  ", {"  spaced  \r\n"}, {}},
                      EnterCase{
                          "ChatPromptLookalikeNotAdded", true, true, "CHAT (x)>", {"CHAT (x)>\r\n"}, {}},
                      // Text that reached the input line with line breaks or control
                      // characters still goes out as one line, without the controls.
                      EnterCase{"LineBreaksBecomeSpaces",
                                true,
                                true,
                                "line1\nline2\r\nline3\rend",
                                {"line1 line2 line3 end\r\n"},
                                {{"Taro", "line1 line2 line3 end"}}},
                      EnterCase{"ControlsRemovedTabKept",
                                false,
                                true,
                                QStringLiteral("a\x1b[31mb\x07"
                                               "c\td\x7f") +
                                    QChar(0) + "e",
                                {"a[31mbc\tde\r\n"},
                                {}},
                      EnterCase{"OnlyControls", true, true, "\x1b\x07", {"\r\n"}, {{"Taro", ""}}}),
    RowName());

TEST_F(CommandsTest, EchoedLineAndHostEchoShowOnce)
{
    setSetting("HandleName", "Taro");
    setSetting("LocalEcho", "True");
    enterChat();
    window.input = QStringLiteral("hello");
    dialogue.inputLineEnter();
    receive(QStringLiteral("発言>hello\r\nTaro>hello\r\n"));
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"", kEntryLine}, {"Taro", "hello"}}));
}

struct SendCase : NamedRow<SendCase> {
    QString typed;
    QByteArray wire;
    qsizetype reports;  // statuses saying what went out as "?"
};

using Sends = RowTest<CommandsTest, SendCase>;

TEST_P(Sends, TypedLineGoesOutInShiftJisInOneSend)
{
    connect();
    window.input = GetParam().typed;
    dialogue.inputLineEnter();
    ASSERT_EQ(socket.sentBytes().size(), 1u);
    EXPECT_EQ(socket.sentBytes()[0], GetParam().wire);
    ASSERT_EQ(window.statuses.size(), GetParam().reports);
    for (const QString& status : window.statuses)
        EXPECT_TRUE(status.contains("?")) << status.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Commands, Sends,
                         ::testing::Values(SendCase{"ShiftJis", QStringLiteral("こんにちは ｱ~\\"),
                                                    "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd \xb1~\\\r\n",
                                                    0},
                                           SendCase{"InexactIsReported", QStringLiteral("5€"), "5?\r\n", 1}),
                         RowName());

TEST_F(CommandsTest, NothingIsSentWithoutAConnection)
{
    setSetting("LocalEcho", "True");
    for (TelnetSocket::State state :
         {TelnetSocket::Closed, TelnetSocket::Connecting, TelnetSocket::Closing, TelnetSocket::Error}) {
        socket.setState(state);
        window.input = QStringLiteral("hello");
        window.statuses.clear();
        dialogue.inputLineEnter();
        EXPECT_TRUE(sent().isEmpty()) << state;
        EXPECT_EQ(window.input, "hello") << "the typed line is kept";
        EXPECT_EQ(window.statuses.size(), 1) << state;
    }
    socket.setState(TelnetSocket::Connected);
    dialogue.inputLineEnter();
    EXPECT_EQ(sent(), QStringList{"hello\r\n"});
}

struct QuoteCase : NamedRow<QuoteCase> {
    QString suffix;
    QString before;
    std::vector<std::pair<int, int>> clicks;
    QString after;
};

using Quotes = RowTest<CommandsTest, QuoteCase>;

TEST_P(Quotes, DoubleClickCopiesTheCell)
{
    setSetting("HandleSuffix", GetParam().suffix);
    // Rows: 1 Jiro|hello there, 2 (none)|notice, 3 Saburo|(empty)
    dialogue.postChatLine(QString(), kEntryLine);
    chat.setRowCount(0);
    dialogue.postChatLine("Jiro", u"hello there");
    dialogue.postChatLine("", u"notice");
    dialogue.postChatLine("Saburo", u"");
    window.input = GetParam().before;
    for (const auto& [col, row] : GetParam().clicks)
        dialogue.chatCellDoubleClick(col, row);
    EXPECT_EQ(window.input, GetParam().after);
    EXPECT_EQ(chat.rowCount(), 3) << "the view is not changed";
    EXPECT_TRUE(sent().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Quotes,
    ::testing::Values(QuoteCase{"Handle", "さん", "", {{1, 1}}, "Jiroさん"},
                      QuoteCase{"HandleThenMessage", "さん", "", {{1, 1}, {2, 1}}, "Jiroさんhello there"},
                      QuoteCase{"AppendsToTyped", "さん", "> ", {{1, 1}}, "> Jiroさん"},
                      QuoteCase{"SameHandleTwice", "さん", "", {{1, 1}, {1, 1}}, "JiroさんJiroさん"},
                      QuoteCase{"EmptySuffix", "", "", {{1, 1}}, "Jiro"},
                      QuoteCase{"EmptyHandleCell", "さん", "x", {{1, 2}}, "xさん"},
                      QuoteCase{"EmptyMessageCell", "さん", "x", {{2, 3}}, "x"},
                      QuoteCase{"MessageNoSuffix", "さん", "", {{2, 2}}, "notice"},
                      QuoteCase{"RowBeyondTheView", "さん", "x", {{1, 9}, {2, 9}}, "xさん"},
                      QuoteCase{"ColumnBeyondTheView", "さん", "x", {{3, 1}, {0, 1}, {-1, -1}}, "x"}),
    RowName());

TEST_F(CommandsTest, TimerClosesAHostClosedSocketOnce)
{
    connect();
    const Mode mode = dialogue.currentMode();
    socket.setState(TelnetSocket::Closing);
    dialogue.timerTick();
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(dialogue.currentMode(), mode) << "the mode is left to the close notification";
    dialogue.timerTick();
    dialogue.timerTick();
    EXPECT_EQ(socket.closeCount(), 1);
}

TEST_F(CommandsTest, TimerLeavesOtherStatesAlone)
{
    for (TelnetSocket::State state :
         {TelnetSocket::Closed, TelnetSocket::Open, TelnetSocket::ResolvingHost, TelnetSocket::Connecting,
          TelnetSocket::Connected, TelnetSocket::Error}) {
        socket.setState(state);
        dialogue.timerTick();
        EXPECT_EQ(socket.state(), state);
    }
    EXPECT_EQ(socket.closeCount(), 0);
}

struct TipCase : NamedRow<TipCase> {
    QString cell;
    QString tip;
};

using Tips = RowTest<::testing::Test, TipCase>;

TEST_P(Tips, WholeTextUpToTheCap)
{
    EXPECT_EQ(::BoardCommands::tipText(GetParam().cell), GetParam().tip);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Tips,
    ::testing::Values(TipCase{"Empty", "", ""},
                      TipCase{"KeptUnchanged", "  <b>Jiro</b> > hi  ", "  <b>Jiro</b> > hi  "},
                      TipCase{"AtTheCap", QString(10000, u'x'), QString(10000, u'x')},
                      TipCase{"OverTheCap", QString(10001, u'x'), QString(10000, u'x') + u'…'},
                      TipCase{"FarOverTheCap", QString(3000000, u'y'), QString(10000, u'y') + u'…'},
                      TipCase{"PairAtTheCut", QString(9999, u'x') + QStringLiteral("𠮷z"),
                              QString(9999, u'x') + u'…'}),
    RowName());

}  // namespace
