// Modes, function-key captions and screen switching.

#include "support/DialogueFixture.h"
#include "support/RowTest.h"

namespace {

using Bar = std::array<QString, 12>;

const Bar kDesigned = {"ログイン", "", "", "画面切替", "", "", "", "終了", "F9", "F10", "F11", "F12"};
const Bar kLineOff = {"ログイン", "", "", "画面切替", "設定", "", "", "終了", "F9", "F10", "F11", "F12"};
const Bar kMain = {"ログアウト", "チャットイン", "",   "画面切替", "",    "",
                   "ヘルプ",     "終了",         "F9", "F10",      "F11", "F12"};
const Bar kChat = {"", "チャットアウト", "", "画面切替", "", "", "ヘルプ", "終了", "F9", "F10", "F11", "F12"};

class ModesTest : public DialogueFixture {};

TEST_F(ModesTest, ConstructionShowsTheDesignedBar)
{
    MemorySettingsStore freshStore;
    FakeSocket freshSocket;
    FakeWindow freshWindow;
    GridModel freshTerminal(1), freshChat(2);
    GridViewState freshTerminalView(freshTerminal), freshChatView(freshChat);
    FakeTimeSource freshTime;
    DialogueSession fresh(freshStore, freshSocket, freshTerminal, freshChat, freshTerminalView, freshChatView,
                          freshWindow, freshTime);
    for (int item = 0; item < 12; ++item)
        EXPECT_EQ(fresh.caption(item), kDesigned[item]) << "F" << item + 1;
    EXPECT_EQ(freshWindow.captions, kDesigned);
    EXPECT_EQ(fresh.currentMode(), Mode::LineOff);
}

TEST_F(ModesTest, StartUpIsLineOffOnTheTerminalScreen)
{
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_EQ(captions(), kLineOff);
    EXPECT_EQ(window.captions, kLineOff);
    EXPECT_FALSE(window.inputEnabled);
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_FALSE(chatView.isVisible());
    EXPECT_EQ(terminal.columnCount(), 1);
    EXPECT_EQ(terminal.rowCount(), 0);
    EXPECT_EQ(chat.columnCount(), 2);
    EXPECT_EQ(chat.rowCount(), 0);
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 1200);
    EXPECT_DOUBLE_EQ(chatView.columnWidth(2), 975);
}

TEST_F(ModesTest, InitEmptiesBothViewsWhateverTheyHeld)
{
    enterChat();
    receive(QStringLiteral("Jiro>a long message that widens the column\r\nhalf"));
    ASSERT_GT(chat.rowCount(), 0);
    dialogue.switchScreen(Screen::Init);
    EXPECT_EQ(terminal.rowCount(), 0);
    EXPECT_EQ(chat.rowCount(), 0);
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 1200);
    EXPECT_DOUBLE_EQ(chatView.columnWidth(2), 975);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_EQ(captions(), kLineOff);
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_FALSE(chatView.isVisible());
    receive(QStringLiteral("again\r\n"));
    EXPECT_EQ(terminalRows(), (QStringList{"again", ""}));
}

struct ModeCase {
    Mode word;
    friend void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.word; }
    Bar bar;
};

using ModeCaptions = RowTest<DialogueFixture, ModeCase>;

// The four keys are written in the order F1, F2, F5, F7, each only when its
// caption changes: applying the mode that is in place writes nothing.
TEST_P(ModeCaptions, SetModeWritesTheChangedKeysInOrder)
{
    for (Mode before : {Mode::LineOff, Mode::Main, Mode::Chat}) {
        SCOPED_TRACE(::testing::PrintToString(before));
        dialogue.setMode(before);
        const Bar shown = window.captions;
        window.captionWrites.clear();
        dialogue.setMode(GetParam().word);
        EXPECT_EQ(captions(), GetParam().bar);
        EXPECT_EQ(window.captions, GetParam().bar);
        std::vector<std::pair<int, QString>> expected;
        for (int item : {0, 1, 4, 6})
            if (shown[item] != GetParam().bar[item])
                expected.emplace_back(item, GetParam().bar[item]);
        EXPECT_EQ(window.captionWrites, expected);
        window.captionWrites.clear();
        dialogue.setMode(GetParam().word);
        EXPECT_TRUE(window.captionWrites.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ModeCaptions,
                         ::testing::Values(ModeCase{Mode::LineOff, kLineOff}, ModeCase{Mode::Main, kMain},
                                           ModeCase{Mode::Chat, kChat}),
                         [](const auto& info) { return ::testing::PrintToString(info.param.word); });

TEST_F(ModesTest, EveryModeReachableFromEveryOther)
{
    const std::pair<Mode, Bar> steps[] = {{Mode::Main, kMain},       {Mode::Chat, kChat},
                                          {Mode::LineOff, kLineOff}, {Mode::Chat, kChat},
                                          {Mode::Main, kMain},       {Mode::LineOff, kLineOff}};
    for (const auto& [word, bar] : steps) {
        dialogue.setMode(word);
        EXPECT_EQ(window.captions, bar) << "after " << word;
    }
}

// Values that name no mode, as a conversion from outside could give.
TEST_F(ModesTest, UnknownWordsChangeNothing)
{
    dialogue.setMode(Mode::Main);
    window.inputEnabled = true;
    dialogue.switchScreen(Screen::Chat);
    for (Mode word : {Mode(3), Mode(4), Mode(0xFF)}) {
        window.captionWrites.clear();
        dialogue.setMode(word);
        EXPECT_TRUE(window.captionWrites.empty()) << word;
        EXPECT_EQ(captions(), kMain) << word;
        EXPECT_TRUE(window.inputEnabled) << word;
        EXPECT_TRUE(chatView.isVisible()) << word;
        EXPECT_FALSE(terminalView.isVisible()) << word;
    }
}

TEST_F(ModesTest, LineOffDisablesInputOthersLeaveIt)
{
    window.inputEnabled = true;
    dialogue.setMode(Mode::Main);
    EXPECT_TRUE(window.inputEnabled);
    dialogue.setMode(Mode::Chat);
    EXPECT_TRUE(window.inputEnabled);
    dialogue.setMode(Mode::LineOff);
    EXPECT_FALSE(window.inputEnabled);
    dialogue.setMode(Mode::Main);
    EXPECT_FALSE(window.inputEnabled) << "setMode never enables the input line";
}

struct ScreenCase : NamedRow<ScreenCase> {
    bool autoChange;
    Mode mode;
    Screen before, after;  // the screen shown before and after the mode changes
};

using ModeScreens = RowTest<DialogueFixture, ScreenCase>;

TEST_P(ModeScreens, AutoChangeWindowPicksTheScreen)
{
    const ScreenCase& c = GetParam();
    setSetting("AutoChangeWindow", c.autoChange ? "True" : "False");
    dialogue.switchScreen(c.before);
    dialogue.setMode(c.mode);
    EXPECT_EQ(terminalView.isVisible(), c.after == Screen::Terminal);
    EXPECT_EQ(chatView.isVisible(), c.after == Screen::Chat);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeScreens,
    ::testing::Values(
        ScreenCase{"MainShowsTerminal", true, Mode::Main, Screen::Chat, Screen::Terminal},
        ScreenCase{"ChatShowsChat", true, Mode::Chat, Screen::Terminal, Screen::Chat},
        ScreenCase{"MainAgainStaysTerminal", true, Mode::Main, Screen::Terminal, Screen::Terminal},
        ScreenCase{"LineOffNeverSwitches", true, Mode::LineOff, Screen::Chat, Screen::Chat},
        ScreenCase{"OffMainKeepsChat", false, Mode::Main, Screen::Chat, Screen::Chat},
        ScreenCase{"OffChatKeepsTerminal", false, Mode::Chat, Screen::Terminal, Screen::Terminal}),
    RowName());

TEST_F(ModesTest, MenuPromptBringsBackTheTerminalScreen)
{
    connect();
    dialogue.functionKeyPressed(4);  // the user looks at the chat screen
    ASSERT_TRUE(chatView.isVisible());
    receive(QStringLiteral("MAIN (M)>"));
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_EQ(captions(), kMain);
}

struct SwitchCase : NamedRow<SwitchCase> {
    std::vector<Screen> words;
    bool terminalShown;
};

using Screens = RowTest<DialogueFixture, SwitchCase>;

TEST_P(Screens, ExactlyOneViewIsVisible)
{
    for (Screen word : GetParam().words)
        dialogue.switchScreen(word);
    EXPECT_EQ(terminalView.isVisible(), GetParam().terminalShown);
    EXPECT_EQ(chatView.isVisible(), !GetParam().terminalShown);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Screens,
    ::testing::Values(SwitchCase{"Chat", {Screen::Chat}, false},
                      SwitchCase{"ChatTwice", {Screen::Chat, Screen::Chat}, false},
                      SwitchCase{"TerminalTwice", {Screen::Terminal, Screen::Terminal}, true},
                      SwitchCase{"ChatThenTerminal", {Screen::Chat, Screen::Terminal}, true},
                      SwitchCase{"WrongCaseIgnored", {Screen::Chat, Screen(3)}, false},
                      SwitchCase{"ModeWordIgnored", {Screen::Chat, Screen(4)}, false},
                      SwitchCase{"EmptyIgnored", {Screen::Chat, Screen(0xFF)}, false}),
    RowName());

TEST_F(ModesTest, SwitchingScreensKeepsModeCaptionsAndRows)
{
    connect();
    receive(QStringLiteral("hello\r\n"));
    const Bar before = captions();
    window.captionWrites.clear();
    dialogue.switchScreen(Screen::Chat);
    dialogue.switchScreen(Screen::Terminal);
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_EQ(captions(), before);
    EXPECT_TRUE(window.captionWrites.empty());
    EXPECT_EQ(terminalRows(), (QStringList{"hello", ""}));
}

}  // namespace

namespace {

// A host that repeats the main menu's closing ">" over and over: the first
// one applies the mode; the others find it in place and write nothing, yet
// a chat screen chosen in between still gives way to the terminal.
TEST_F(ModesTest, ARepeatedMenuPromptWritesTheCaptionsOnce)
{
    dialogue.settings().HandleName = "Taro";  // no handle lookup to arm
    struct Case {
        const char* name;
        int blockSize;
    };
    for (const Case c : {Case{"one block", 0}, Case{"one character per block", 1}}) {
        SCOPED_TRACE(c.name);
        dialogue.switchScreen(Screen::Init);
        window.captionWrites.clear();
        const QString text = QStringLiteral("MAIN (1-9)") + QString(2000, u'>');
        if (c.blockSize == 0) {
            receive(text);
        } else {
            for (QChar ch : text)
                receive(QString(ch));
        }
        EXPECT_EQ(window.captions, kMain);
        EXPECT_EQ(window.captionWrites.size(), 4u);  // F1, F2, F5 and F7 once

        dialogue.switchScreen(Screen::Chat);
        receive(QStringLiteral(">>"));
        EXPECT_TRUE(terminalView.isVisible());
        EXPECT_FALSE(chatView.isVisible());
        EXPECT_EQ(window.captionWrites.size(), 4u);
        receive(QStringLiteral("\r\n"));
    }
}

}  // namespace
