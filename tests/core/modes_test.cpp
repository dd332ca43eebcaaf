// Modes, function-key captions and screen switching.

#include "support/DialogueFixture.h"

namespace {

using Bar = std::array<QString, 12>;

const Bar kDesigned = {"ログイン", "", "", "画面切替", "", "", "", "終了", "F9", "F10", "F11", "F12"};
const Bar kLineOff = {"ログイン", "", "", "画面切替", "設定", "", "", "終了", "F9", "F10", "F11", "F12"};
const Bar kMain = {"ログアウト", "チャットイン", "", "画面切替", "", "", "ヘルプ", "終了",
                   "F9",         "F10",          "F11", "F12"};
const Bar kChat = {"", "チャットアウト", "", "画面切替", "", "", "ヘルプ", "終了",
                   "F9", "F10", "F11", "F12"};

class ModesTest : public DialogueFixture {};

TEST_F(ModesTest, ConstructionShowsTheDesignedBar) {
    MemorySettingsStore freshStore;
    FakeSocket freshSocket;
    FakeWindow freshWindow;
    GridModel freshTerminal(1), freshChat(2);
    FakeTimeSource freshTime;
    BoardDialogue fresh(freshStore, freshSocket, freshTerminal, freshChat, freshWindow, freshTime);
    for (int item = 0; item < 12; ++item)
        EXPECT_EQ(fresh.Caption(item), kDesigned[item]) << "F" << item + 1;
    EXPECT_EQ(freshWindow.captions, kDesigned);
    EXPECT_EQ(fresh.CurrentMode(), "");
}

TEST_F(ModesTest, StartUpIsLineOffOnTheTerminalScreen) {
    EXPECT_EQ(dialogue.CurrentMode(), "LineOff");
    EXPECT_EQ(captions(), kLineOff);
    EXPECT_EQ(window.captions, kLineOff);
    EXPECT_FALSE(window.inputEnabled);
    EXPECT_TRUE(terminal.isVisible());
    EXPECT_FALSE(chat.isVisible());
    EXPECT_EQ(terminal.columnCount(), 1);
    EXPECT_EQ(terminal.rowCount(), 0);
    EXPECT_EQ(chat.columnCount(), 2);
    EXPECT_EQ(chat.rowCount(), 0);
    EXPECT_DOUBLE_EQ(chat.columnWidth(1), 1200);
    EXPECT_DOUBLE_EQ(chat.columnWidth(2), 975);
}

TEST_F(ModesTest, InitEmptiesBothViewsWhateverTheyHeld) {
    enterChat();
    receive(QStringLiteral("Jiro>a long message that widens the column\r\nhalf"));
    ASSERT_GT(chat.rowCount(), 0);
    dialogue.SwitchScreen("Init");
    EXPECT_EQ(terminal.rowCount(), 0);
    EXPECT_EQ(chat.rowCount(), 0);
    EXPECT_DOUBLE_EQ(chat.columnWidth(1), 1200);
    EXPECT_DOUBLE_EQ(chat.columnWidth(2), 975);
    EXPECT_EQ(dialogue.CurrentMode(), "LineOff");
    EXPECT_EQ(captions(), kLineOff);
    EXPECT_TRUE(terminal.isVisible());
    EXPECT_FALSE(chat.isVisible());
    receive(QStringLiteral("again\r\n"));
    EXPECT_EQ(terminalRows(), (QStringList{"again", ""}));
}

struct ModeCase {
    const char* word;
    friend void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.word; }
    Bar bar;
};

class ModeCaptions : public DialogueFixture, public ::testing::WithParamInterface<ModeCase> {};

// The four keys are written in the order F1, F2, F5, F7, each only when its
// caption changes: applying the mode that is in place writes nothing.
TEST_P(ModeCaptions, SetModeWritesTheChangedKeysInOrder) {
    for (const char* before : {"LineOff", "Main", "Chat"}) {
        SCOPED_TRACE(before);
        dialogue.SetMode(before);
        const Bar shown = window.captions;
        window.captionWrites.clear();
        dialogue.SetMode(GetParam().word);
        EXPECT_EQ(captions(), GetParam().bar);
        EXPECT_EQ(window.captions, GetParam().bar);
        std::vector<std::pair<int, QString>> expected;
        for (int item : {0, 1, 4, 6})
            if (shown[item] != GetParam().bar[item])
                expected.emplace_back(item, GetParam().bar[item]);
        EXPECT_EQ(window.captionWrites, expected);
        window.captionWrites.clear();
        dialogue.SetMode(GetParam().word);
        EXPECT_TRUE(window.captionWrites.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ModeCaptions,
                         ::testing::Values(ModeCase{"LineOff", kLineOff}, ModeCase{"Main", kMain},
                                           ModeCase{"Chat", kChat}),
                         [](const auto& info) { return std::string(info.param.word); });

TEST_F(ModesTest, EveryModeReachableFromEveryOther) {
    const std::pair<const char*, Bar> steps[] = {{"Main", kMain},       {"Chat", kChat},
                                                 {"LineOff", kLineOff}, {"Chat", kChat},
                                                 {"Main", kMain},       {"LineOff", kLineOff}};
    for (const auto& [word, bar] : steps) {
        dialogue.SetMode(word);
        EXPECT_EQ(window.captions, bar) << "after " << word;
    }
}

TEST_F(ModesTest, UnknownWordsChangeNothing) {
    dialogue.SetMode("Main");
    window.inputEnabled = true;
    dialogue.SwitchScreen("Chat");
    for (const char* word : {"Init", "Terminal", "", "main", "LINEOFF", "Chat "}) {
        window.captionWrites.clear();
        dialogue.SetMode(word);
        EXPECT_TRUE(window.captionWrites.empty()) << word;
        EXPECT_EQ(captions(), kMain) << word;
        EXPECT_TRUE(window.inputEnabled) << word;
        EXPECT_TRUE(chat.isVisible()) << word;
        EXPECT_FALSE(terminal.isVisible()) << word;
    }
}

TEST_F(ModesTest, LineOffDisablesInputOthersLeaveIt) {
    window.inputEnabled = true;
    dialogue.SetMode("Main");
    EXPECT_TRUE(window.inputEnabled);
    dialogue.SetMode("Chat");
    EXPECT_TRUE(window.inputEnabled);
    dialogue.SetMode("LineOff");
    EXPECT_FALSE(window.inputEnabled);
    dialogue.SetMode("Main");
    EXPECT_FALSE(window.inputEnabled) << "SetMode never enables the input line";
}

struct ScreenCase {
    const char* name;
    friend void PrintTo(const ScreenCase& c, std::ostream* os) { *os << c.name; }
    bool autoChange;
    const char* mode;
    bool terminalShownBefore;
    bool terminalShownAfter;
};

class ModeScreens : public DialogueFixture, public ::testing::WithParamInterface<ScreenCase> {};

TEST_P(ModeScreens, AutoChangeWindowPicksTheScreen) {
    const ScreenCase& c = GetParam();
    setSetting("AutoChangeWindow", c.autoChange ? "True" : "False");
    dialogue.SwitchScreen(c.terminalShownBefore ? "Terminal" : "Chat");
    dialogue.SetMode(c.mode);
    EXPECT_EQ(terminal.isVisible(), c.terminalShownAfter);
    EXPECT_EQ(chat.isVisible(), !c.terminalShownAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeScreens,
    ::testing::Values(ScreenCase{"MainShowsTerminal", true, "Main", false, true},
                      ScreenCase{"ChatShowsChat", true, "Chat", true, false},
                      ScreenCase{"MainAgainStaysTerminal", true, "Main", true, true},
                      ScreenCase{"LineOffNeverSwitches", true, "LineOff", false, false},
                      ScreenCase{"OffMainKeepsChat", false, "Main", false, false},
                      ScreenCase{"OffChatKeepsTerminal", false, "Chat", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModesTest, MenuPromptBringsBackTheTerminalScreen) {
    connect();
    dialogue.FunctionKeyPressed(4);  // the user looks at the chat screen
    ASSERT_TRUE(chat.isVisible());
    receive(QStringLiteral("MAIN (M)>"));
    EXPECT_TRUE(terminal.isVisible());
    EXPECT_EQ(captions(), kMain);
}

struct SwitchCase {
    const char* name;
    friend void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }
    std::vector<const char*> words;
    bool terminalShown;
};

class Screens : public DialogueFixture, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(Screens, ExactlyOneViewIsVisible) {
    for (const char* word : GetParam().words)
        dialogue.SwitchScreen(word);
    EXPECT_EQ(terminal.isVisible(), GetParam().terminalShown);
    EXPECT_EQ(chat.isVisible(), !GetParam().terminalShown);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Screens,
    ::testing::Values(SwitchCase{"Chat", {"Chat"}, false},
                      SwitchCase{"ChatTwice", {"Chat", "Chat"}, false},
                      SwitchCase{"TerminalTwice", {"Terminal", "Terminal"}, true},
                      SwitchCase{"ChatThenTerminal", {"Chat", "Terminal"}, true},
                      SwitchCase{"WrongCaseIgnored", {"Chat", "terminal"}, false},
                      SwitchCase{"ModeWordIgnored", {"Chat", "LineOff"}, false},
                      SwitchCase{"EmptyIgnored", {"Chat", ""}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModesTest, SwitchingScreensKeepsModeCaptionsAndRows) {
    connect();
    receive(QStringLiteral("hello\r\n"));
    const Bar before = captions();
    window.captionWrites.clear();
    dialogue.SwitchScreen("Chat");
    dialogue.SwitchScreen("Terminal");
    EXPECT_EQ(dialogue.CurrentMode(), "Main");
    EXPECT_EQ(captions(), before);
    EXPECT_TRUE(window.captionWrites.empty());
    EXPECT_EQ(terminalRows(), (QStringList{"hello", ""}));
}

}  // namespace

namespace {

// A host that repeats the main menu's closing ">" over and over: the first
// one applies the mode; the others find it in place and write nothing, yet
// a chat screen chosen in between still gives way to the terminal.
TEST_F(ModesTest, ARepeatedMenuPromptWritesTheCaptionsOnce) {
    dialogue.Settings().HandleName = "Taro";  // no handle lookup to arm
    struct Case {
        const char* name;
        int blockSize;
    };
    for (const Case c : {Case{"one block", 0}, Case{"one character per block", 1}}) {
        SCOPED_TRACE(c.name);
        dialogue.SwitchScreen("Init");
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

        dialogue.SwitchScreen("Chat");
        receive(QStringLiteral(">>"));
        EXPECT_TRUE(terminal.isVisible());
        EXPECT_FALSE(chat.isVisible());
        EXPECT_EQ(window.captionWrites.size(), 4u);
        receive(QStringLiteral("\r\n"));
    }
}

}  // namespace
