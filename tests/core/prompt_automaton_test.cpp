#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <QMap>

#include <random>

#include "support/DialogueFixture.h"

using namespace Qt::StringLiterals;

namespace {

const QString kLogOut = u"ログアウト"_s;
const QString kChatIn = u"チャットイン"_s;
const QString kChatOut = u"チャットアウト"_s;
const QString kHelp = u"ヘルプ"_s;
const QString kListing = u"H: ハンドル名"_s;

struct Account {
    bool guest = false;
    QString userId = u"taro01"_s;
    QString password = u"secret"_s;
    QString handle = u"Taro"_s;
    bool autoGetHandle = true;
};

QStringList replies(const QStringList& texts)
{
    QStringList withLineEnds;
    for (const QString& text : texts)
        withLineEnds.append(text + u"\r\n"_s);
    return withLineEnds;
}

class PromptAutomatonTest : public DialogueFixture {
protected:
    void useAccount(const Account& a)
    {
        AppSettings& s = dialogue.settings();
        s.GuestFlag = a.guest;
        s.UserID = a.userId;
        s.Password = a.password;
        s.HandleName = a.handle;
        s.AutoGetHandleName = a.autoGetHandle;
    }

    // Connected, logged in as far as needed, and `command` pending; nothing
    // sent so far and the current line empty.
    void startWith(const QString& command, const Account& account)
    {
        reconnect();
        useAccount(account);
        if (command == u"GetHandle") {
            dialogue.settings().HandleName.clear();
            dialogue.settings().AutoGetHandleName = true;
            receive(u"MAIN (\r\nx\r\n"_s);
            ASSERT_EQ(dialogue.pendingCommand(), Command::GetHandle);
            useAccount(account);
        } else if (command == u"LogOut" || command == u"ChatIn") {
            dialogue.setMode(Mode::Main);
            dialogue.functionKeyPressed(command == u"LogOut" ? 1 : 2);
        } else if (command == u"ChatOut") {
            dialogue.setMode(Mode::Chat);
            dialogue.functionKeyPressed(2);
        }
        ASSERT_EQ(wordOf(dialogue.pendingCommand()), command);
        socket.clearSent();
    }

    // A new connection from line-off, whatever the state before.
    void reconnect()
    {
        if (dialogue.currentMode() != Mode::LineOff)
            socket.hostCloses();
        connect();
    }
};

// Text received with a command pending, and what it leaves.
struct PromptCase {
    const char* name;
    QString command;
    Account account;
    QString text;
    QStringList sent;  // without the line ends
    QString pendingAfter;
    QString handleAfter = u"Taro"_s;  // the stored handle, unless the row names another
};

Account with(void (*change)(Account&))
{
    Account a;
    change(a);
    return a;
}

const Account kNoHandle = with([](Account& a) { a.handle.clear(); });
const Account kNoUserId = with([](Account& a) { a.userId.clear(); });
const Account kGuest = with([](Account& a) { a.guest = true; });
const Account kGuestNoUserId = with([](Account& a) { a.guest = true, a.userId.clear(); });
const Account kGuestNoPassword = with([](Account& a) { a.guest = true, a.password.clear(); });

// Each row of each command's block, one line each, from a fresh connection.
const PromptCase kRowCases[] = {
    // Log-in.
    {"user id", u"LogIn"_s, {}, u"User ID="_s, {u"taro01"_s}, u"LogIn"_s},
    {"user id as guest", u"LogIn"_s, kGuest, u"User ID="_s, {u"Guest"_s}, u"LogIn"_s},
    {"guest without stored id", u"LogIn"_s, kGuestNoUserId, u"User ID="_s, {}, u"LogIn"_s},
    {"no stored id", u"LogIn"_s, kNoUserId, u"User ID="_s, {}, u"LogIn"_s},
    {"user id answered once", u"LogIn"_s, {}, u"User ID= "_s, {u"taro01"_s}, u"LogIn"_s},
    {"user id needs =", u"LogIn"_s, {}, u"User ID>"_s, {}, u"LogIn"_s},
    {"password", u"LogIn"_s, {}, u"Password="_s, {u"secret"_s}, u"LogIn"_s},
    {"password as guest", u"LogIn"_s, kGuest, u"Password="_s, {u""_s}, u"LogIn"_s},
    {"guest without stored password", u"LogIn"_s, kGuestNoPassword, u"Password="_s, {}, u"LogIn"_s},
    {"handle name", u"LogIn"_s, {}, u"Handle Name="_s, {u"Taro"_s}, u"LogIn"_s},
    {"no stored handle", u"LogIn"_s, kNoHandle, u"Handle Name="_s, {}, u"LogIn"_s, u""_s},
    {"three prompts on one line",
     u"LogIn"_s,
     {},
     u"User ID Password Handle Name="_s,
     {u"taro01"_s, u"secret"_s, u"Taro"_s},
     u"LogIn"_s},
    {"refused", u"LogIn"_s, {}, u"UserID または Password が間違っています｡"_s, {}, u""_s},
    {"refusal words in any order", u"LogIn"_s, {}, u"間違っています｡Password UserID"_s, {}, u""_s},
    {"refusal with a full-width stop",
     u"LogIn"_s,
     {},
     u"UserID または Password が間違っています。"_s,
     {},
     u"LogIn"_s},
    {"refusal without UserID", u"LogIn"_s, {}, u"User ID Password 間違っています｡"_s, {}, u"LogIn"_s},
    {"main menu ends the log-in", u"LogIn"_s, {}, u"MAIN ("_s, {}, u""_s},
    {"other letter case", u"LogIn"_s, {}, u"user id= PASSWORD= Main ("_s, {}, u"LogIn"_s},
    {"full-width letters", u"LogIn"_s, {}, u"Ｕｓｅｒ ＩＤ="_s, {}, u"LogIn"_s},
    // Log-out.
    {"log-out at the main menu", u"LogOut"_s, {}, u"MAIN (1-9)>"_s, {u"G"_s}, u"LogOut"_s},
    {"log-out, each > answered", u"LogOut"_s, {}, u"MAIN (>)>"_s, {u"G"_s, u"G"_s}, u"LogOut"_s},
    {"log-out ignores the chat menu", u"LogOut"_s, {}, u"CHAT (1-9)>"_s, {}, u"LogOut"_s},
    {"log-out needs >", u"LogOut"_s, {}, u"MAIN (1-9)="_s, {}, u"LogOut"_s},
    // Chat-in.
    {"chat-in at the main menu", u"ChatIn"_s, {}, u"MAIN (1-9)>"_s, {u"C"_s}, u"ChatIn"_s},
    {"chat-in at the chat menu", u"ChatIn"_s, {}, u"CHAT (1-9)>"_s, {u"E"_s}, u""_s},
    {"chat-in, both menus at once", u"ChatIn"_s, {}, u"MAIN ( CHAT (>"_s, {u"C"_s, u"E"_s}, u""_s},
    // Chat-out.
    {"chat-out at the chat menu", u"ChatOut"_s, {}, u"CHAT (1-9)>"_s, {u"0"_s}, u""_s},
    {"chat-out ignores the main menu", u"ChatOut"_s, {}, u"MAIN (1-9)>"_s, {}, u"ChatOut"_s},
    // Handle lookup.
    {"lookup at the main menu", u"GetHandle"_s, kNoHandle, u"MAIN (1-9)>"_s, {u"I"_s}, u"GetHandle"_s, u""_s},
    {"lookup at the install menu",
     u"GetHandle"_s,
     kNoHandle,
     u"INSTALL (1-9)>"_s,
     {u"?"_s},
     u"GetHandle"_s,
     u""_s},
    {"listing line",
     u"GetHandle"_s,
     kNoHandle,
     kListing + u"   :  Taro Yamada  "_s,
     {},
     u"GetHandle"_s,
     u"Taro Yamada"_s},
    {"listing without a colon", u"GetHandle"_s, kNoHandle, kListing + u" Taro"_s, {}, u"GetHandle"_s, u""_s},
    {"listing without a colon keeps the name", u"GetHandle"_s, {}, kListing + u" Jiro"_s, {}, u"GetHandle"_s},
    {"leaving the install menu", u"GetHandle"_s, {}, u"INSTALL (1-9)>"_s, {u"0"_s}, u"GetHandle"_s},
    {"main menu ends the lookup", u"GetHandle"_s, {}, u"MAIN ("_s, {}, u""_s},
    {"no main-menu reply once the name is known", u"GetHandle"_s, {}, u"MAIN (1-9)>"_s, {}, u""_s},
    {"name found and install menu left at one >",
     u"GetHandle"_s,
     kNoHandle,
     kListing + u" INSTALL ( :>"_s,
     {u"?"_s, u"0"_s},
     u"GetHandle"_s,
     u">"_s},
    {"name found and lookup ended at once",
     u"GetHandle"_s,
     kNoHandle,
     kListing + u" : Taro MAIN ("_s,
     {},
     u""_s,
     u"Taro MAIN ("_s},
};

TEST_F(PromptAutomatonTest, EachRowOfEachCommand)
{
    for (const PromptCase& c : kRowCases) {
        SCOPED_TRACE(c.name);
        startWith(c.command, c.account);
        receive(c.text);
        EXPECT_EQ(sent(), replies(c.sent));
        EXPECT_EQ(wordOf(dialogue.pendingCommand()), c.pendingAfter);
        EXPECT_EQ(dialogue.settings().HandleName, c.handleAfter);
        // The next case starts on a fresh line.
        receive(u"\r\n"_s);
    }
}

// Board text that holds prompts among ordinary lines, received with a
// command pending: in one block, split in two at every position, and one
// character at a time. Every way answers the same prompts with the same
// replies, and leaves the same state.
const PromptCase kSplitCases[] = {
    {"log-in",
     u"LogIn"_s,
     {},
     u"ようこそ (ゲスト)\r\nUser ID =\r\nPassword =\r\nBob>MAIN (1-9)>"_s,
     {u"taro01"_s, u"secret"_s},
     u""_s},
    {"log-in refused",
     u"LogIn"_s,
     {},
     u"UserID: Pass\r\nUserID または Password が間違っています｡ User ID="_s,
     {},
     u""_s},
    {"log-out",
     u"LogOut"_s,
     {},
     u"Bob>MAIN (1-9) x\r\nﾊﾛｰ = (A)\r\nxx MAIN (G,C,I,?) >"_s,
     {u"G"_s},
     u"LogOut"_s},
    {"chat-in",
     u"ChatIn"_s,
     {},
     u"Bob>hi (CHAT)\r\nMAIN (G,C,I,?) >\r\nCHAT (E,W,0) >"_s,
     {u"C"_s, u"E"_s},
     u""_s},
    {"chat-out", u"ChatOut"_s, {}, u"Bob>CHAT (1-9)>\r\nTaro>今日は=\r\nCHAT (E,W,0,?) >"_s, {u"0"_s}, u""_s},
    {"handle lookup",
     u"GetHandle"_s,
     kNoHandle,
     u"Bob>hi\r\nMAIN (1-9)>\r\nINSTALL (1-9)>\r\n"_s + kListing +
         u" :  Taro  \r\nINSTALL (1-9)>\r\nMAIN ("_s,
     {u"I"_s, u"?"_s, u"0"_s},
     u""_s},
};

TEST_F(PromptAutomatonTest, APromptSplitAcrossBlocksIsAnsweredAsAWholeOne)
{
    for (const PromptCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        // -1: one character at a time; 0 to the length: two blocks.
        for (qsizetype split = -1; split <= c.text.size(); ++split) {
            SCOPED_TRACE(split);
            startWith(c.command, c.account);
            if (split < 0) {
                for (QChar ch : c.text)
                    receive(QString(ch));
            } else {
                receive(c.text.first(split));
                receive(c.text.sliced(split));
            }
            ASSERT_EQ(sent(), replies(c.sent));
            ASSERT_EQ(wordOf(dialogue.pendingCommand()), c.pendingAfter);
            ASSERT_EQ(dialogue.settings().HandleName, c.handleAfter);
            receive(u"\r\n"_s);
        }
    }
}

TEST_F(PromptAutomatonTest, AReplyGoesOutAsOneSendInTheHostsCodePage)
{
    startWith(u"LogIn"_s, with([](Account& a) { a.userId = u"たろう"_s; }));
    receive(u"User ID="_s);
    ASSERT_EQ(socket.sentBytes().size(), 1u);
    EXPECT_EQ(socket.sentBytes()[0], QByteArray("\x82\xbd\x82\xeb\x82\xa4\r\n"));
}

// The log-in block is chosen before its last row ends the command: the rest
// of that step does not run the lookup, although no command is pending then.
TEST_F(PromptAutomatonTest, ACommandEndedInsideItsBlockRunsNoOtherBlock)
{
    startWith(u"LogIn"_s, with([](Account& a) { a.handle.clear(); }));
    receive(kListing + u" : Taro MAIN ("_s);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    EXPECT_EQ(dialogue.settings().HandleName, u""_s);
    // The next step arms the lookup, which reads the same line, finds the
    // name and ends at once.
    receive(u"x"_s);
    EXPECT_EQ(dialogue.settings().HandleName, u"Taro MAIN (x"_s);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
}

TEST_F(PromptAutomatonTest, MenuPromptsApplyTheMainCaptionsEveryTime)
{
    connect();
    useAccount({});
    const std::array<QString, 12> atConnection = captions();
    EXPECT_EQ(atConnection[0], u"中止"_s);  // the log-in key offers to stop the attempt
    receive(u"MAIN (1-9)"_s);
    EXPECT_EQ(captions(), atConnection);
    receive(u">"_s);
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_EQ(captions()[0], kLogOut);
    EXPECT_EQ(captions()[1], kChatIn);
    EXPECT_EQ(captions()[4], u""_s);
    EXPECT_EQ(captions()[6], kHelp);

    // Each prompt applies the mode again: a chat screen chosen in between
    // gives way to the terminal; text that closes no prompt leaves it.
    struct Case {
        QString text;
        bool applies;
    };
    for (const Case& c : {Case{u"\r\nCHAT (1-9)>"_s, true}, Case{u"\r\nMAIN ( CHAT (>"_s, true},
                          Case{u">>>"_s, true}, Case{u" "_s, false}}) {
        SCOPED_TRACE(c.text.toStdString());
        dialogue.switchScreen(Screen::Chat);
        receive(c.text);
        EXPECT_EQ(terminalView.isVisible(), c.applies);
        EXPECT_EQ(captions()[0], kLogOut);
    }
}

TEST_F(PromptAutomatonTest, AMenuPromptShowsTheTerminalWhenAsked)
{
    connect();
    useAccount({});
    dialogue.switchScreen(Screen::Chat);
    receive(u"CHAT (1-9)>"_s);
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_FALSE(chatView.isVisible());

    dialogue.settings().AutoChangeWindow = false;
    dialogue.switchScreen(Screen::Chat);
    receive(u"\r\nMAIN (1-9)>"_s);
    EXPECT_TRUE(chatView.isVisible());
    EXPECT_EQ(captions()[1], kChatIn);
}

TEST_F(PromptAutomatonTest, ChatInAtAStandingMainPromptAnswersEachPress)
{
    connect();
    useAccount({});
    receive(u"MAIN (1-9)>"_s);
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), replies({u"C"_s}));
    EXPECT_EQ(captions()[1], kChatIn);
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), replies({u"C"_s, u"C"_s}));
    EXPECT_EQ(dialogue.pendingCommand(), Command::ChatIn);
}

TEST_F(PromptAutomatonTest, ChatOutWaitsForTheChatMenuUnlessTheLineIsEmpty)
{
    enterChat();
    useAccount({});
    ASSERT_EQ(dialogue.currentMode(), Mode::Chat);
    dialogue.switchScreen(Screen::Chat);

    receive(u"Jiro>hello"_s);
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), QStringList());
    EXPECT_EQ(dialogue.pendingCommand(), Command::ChatOut);
    EXPECT_EQ(captions()[1], u""_s);

    receive(u"\r\nCHAT (1-9)>"_s);
    EXPECT_EQ(sent(), replies({u"0"_s}));
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_FALSE(chatView.isVisible());
    EXPECT_EQ(captions()[1], kChatIn);
}

TEST_F(PromptAutomatonTest, ChatOutOnAnEmptyLineInTheRoomAsksToLeave)
{
    enterChat();
    useAccount({});
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), replies({u"//"_s}));
    EXPECT_EQ(dialogue.pendingCommand(), Command::ChatOut);

    // The chat view leaves without the switch when the user turned it off.
    dialogue.settings().AutoChangeWindow = false;
    dialogue.switchScreen(Screen::Chat);
    receive(u"CHAT (1-9)>"_s);
    EXPECT_TRUE(terminalView.isVisible());
    EXPECT_FALSE(chatView.isVisible());
}

TEST_F(PromptAutomatonTest, ChatOutOutsideTheRoomSendsNothingOnAnEmptyLine)
{
    startWith(u"ChatOut"_s, {});
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_EQ(sent(), QStringList());
}

// A board whose profile shows no handle name is asked once per connection,
// never again and again.
TEST_F(PromptAutomatonTest, TheLookupAsksOnceAndEndsWithoutAName)
{
    startWith(u"GetHandle"_s, with([](Account& a) { a.handle.clear(); }));
    receive(u"MAIN (1-9)>\r\nINSTALL (1-9)>\r\n"_s + kListing + u" Taro\r\n"_s + kListing +
            u" :   \r\nINSTALL (1-9)>\r\nMAIN (1-9)>\r\n"_s);
    EXPECT_EQ(sent(), replies({u"I"_s, u"?"_s, u"0"_s}));
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    EXPECT_TRUE(window.statuses.back().contains(u"ハンドル名"_s));

    receive(u"INSTALL (1-9)>\r\nMAIN (1-9)>\r\nMAIN (1-9)>"_s);
    EXPECT_EQ(sent(), replies({u"I"_s, u"?"_s, u"0"_s}));
}

TEST_F(PromptAutomatonTest, TheLookupEndsWhenTheBoardGoesBackToItsMenu)
{
    startWith(u"GetHandle"_s, with([](Account& a) { a.handle.clear(); }));
    receive(u"MAIN (1-9)>\r\nunknown command\r\nMAIN (1-9)>\r\nMAIN (1-9)>"_s);
    EXPECT_EQ(sent(), replies({u"I"_s}));
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
}

TEST_F(PromptAutomatonTest, TheLookupFindsANameInTheListing)
{
    startWith(u"GetHandle"_s, with([](Account& a) { a.handle.clear(); }));
    receive(u"MAIN (1-9)>\r\nINSTALL (1-9)>\r\n"_s + kListing +
            u"   :  Taro  \r\nINSTALL (1-9)>\r\nMAIN ("_s);
    EXPECT_EQ(sent(), replies({u"I"_s, u"?"_s, u"0"_s}));
    EXPECT_EQ(dialogue.settings().HandleName, u"Taro"_s);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
}

TEST_F(PromptAutomatonTest, TheHandleFollowsTheListingLineAsItArrives)
{
    startWith(u"GetHandle"_s, with([](Account& a) { a.handle.clear(); }));
    const QString line = kListing + u" :  Taro  Y "_s;
    const QStringList expected = {u""_s,     u"T"_s,    u"Ta"_s,      u"Tar"_s,    u"Taro"_s,
                                  u"Taro"_s, u"Taro"_s, u"Taro  Y"_s, u"Taro  Y"_s};
    receive(line.first(line.size() - expected.size()));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        receive(line.sliced(line.size() - expected.size() + i, 1));
        EXPECT_EQ(dialogue.settings().HandleName, expected[i]) << i;
    }
}

TEST_F(PromptAutomatonTest, ANameReplacedWhileTheListingArrivesIsReadAgainFromTheLine)
{
    startWith(u"GetHandle"_s, with([](Account& a) { a.handle.clear(); }));
    receive(kListing + u" : Taro"_s);
    dialogue.settings().HandleName = u"Jiro"_s;
    receive(u" Y"_s);
    EXPECT_EQ(dialogue.settings().HandleName, u"Taro Y"_s);
    dialogue.settings() = AppSettings();
    receive(u"a"_s);
    EXPECT_EQ(dialogue.settings().HandleName, u"Taro Ya"_s);
}

TEST_F(PromptAutomatonTest, AKeyCommandInterruptsTheLookupForThisConnection)
{
    startWith(u"GetHandle"_s, with([](Account& a) { a.handle.clear(); }));
    receive(u"MAIN (1-9)>"_s);
    EXPECT_EQ(sent(), replies({u"I"_s}));
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), replies({u"I"_s, u"C"_s}));
    receive(u"\r\nCHAT (1-9)>"_s);
    EXPECT_EQ(sent(), replies({u"I"_s, u"C"_s, u"E"_s}));
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    receive(u"\r\nx"_s);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None) << "asked once per connection";
}

TEST_F(PromptAutomatonTest, TheLookupIsNotArmedWhenSwitchedOffOrTheNameIsKnown)
{
    startWith(u"LogIn"_s, with([](Account& a) { a.handle.clear(), a.autoGetHandle = false; }));
    receive(u"MAIN (1-9)>\r\nMAIN (1-9)>"_s);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    EXPECT_EQ(sent(), QStringList());
    dialogue.settings().AutoGetHandleName = true;
    dialogue.settings().HandleName = u"Taro"_s;
    receive(u"\r\nMAIN (1-9)>"_s);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
}

// The board dialogue as the rules read literally: every step searches the
// whole current line again.
struct LiteralAutomaton {
    QString line;
    QString mode;
    QString pending;
    AppSettings settings;
    QStringList sent;
    std::array<QString, 12> bar;  // the function-key captions

    enum class Lookup { NotStarted, Armed, AskedMenu, AskedListing, Finished } lookup = Lookup::NotStarted;
    bool stopped = false;  // the guard stopped automatic replies
    QMap<QString, int> repeats;  // time stands still, so nothing expires
    bool byKey = false;

    bool contains(QStringView word) const { return line.contains(word); }
    bool closes(QStringView word, QChar c) const
    {
        return contains(word) && !line.isEmpty() && line.back() == c;
    }
    // A key looks past spaces after the closing character.
    bool closesHere(QStringView word, QChar c) const
    {
        if (!byKey)
            return closes(word, c);
        QStringView rest = line;
        while (!rest.isEmpty() && rest.back() == u' ')
            rest.chop(1);
        return contains(word) && !rest.isEmpty() && rest.back() == c;
    }
    // In the room, a ">" before the menu word makes the line a statement.
    bool menu(QStringView word) const
    {
        const qsizetype gt = line.indexOf(u'>');
        return closesHere(word, u'>') && !(mode == u"Chat" && gt >= 0 && gt < line.indexOf(word));
    }
    void send(const QString& text) { sent.append(text + u"\r\n"_s); }
    void reply(const QString& text)
    {
        if (stopped)
            return;
        if (repeats[text] >= 5) {
            stopped = true;
            pending.clear();
            return;
        }
        ++repeats[text];
        send(text);
    }
    void endLookup()
    {
        if (pending == u"GetHandle")
            pending.clear();
        lookup = Lookup::Finished;
    }
    void setMain()
    {
        mode = u"Main"_s;
        bar[0] = kLogOut;
        bar[1] = kChatIn;
        bar[4] = QString();
        bar[6] = kHelp;
    }

    void step()
    {
        AppSettings& s = settings;
        if (pending.isEmpty() && lookup == Lookup::NotStarted && !stopped && s.HandleName.isEmpty() &&
            s.AutoGetHandleName) {
            pending = u"GetHandle"_s;
            lookup = Lookup::Armed;
        }
        if (menu(u"MAIN ("))
            setMain();
        if (menu(u"CHAT ("))
            setMain();
        const QString command = pending;
        if (command == u"LogIn") {
            if (closes(u"User ID", u'=') && !s.UserID.isEmpty())
                reply(s.GuestFlag ? u"Guest"_s : s.UserID);
            if (closes(u"Password", u'=') && !s.Password.isEmpty())
                reply(s.GuestFlag ? u""_s : s.Password);
            if (closes(u"Handle Name", u'=') && !s.HandleName.isEmpty())
                reply(s.HandleName);
            if (contains(u"UserID") && contains(u"Password") && contains(u"間違っています｡"))
                pending.clear();
            if (contains(u"MAIN ("))
                pending.clear();
        } else if (command == u"LogOut") {
            if (menu(u"MAIN ("))
                reply(u"G"_s);
        } else if (command == u"ChatIn") {
            const bool mainPrompt = menu(u"MAIN ("), chatPrompt = menu(u"CHAT (");
            if (mainPrompt)
                reply(u"C"_s);
            if (chatPrompt) {
                reply(u"E"_s);
                pending.clear();
            }
        } else if (command == u"ChatOut") {
            const bool chatPrompt = menu(u"CHAT (");
            if (line.isEmpty() && mode == u"Chat")
                reply(u"//"_s);
            if (chatPrompt) {
                reply(u"0"_s);
                setMain();
                pending.clear();
            }
        } else if (command == u"GetHandle") {
            stepLookup();
        }
    }

    void stepLookup()
    {
        AppSettings& s = settings;
        const bool mainPrompt = menu(u"MAIN ("), installPrompt = closesHere(u"INSTALL (", u'>');
        if (mainPrompt && s.HandleName.isEmpty()) {
            if (lookup == Lookup::Armed) {
                reply(u"I"_s);
                lookup = Lookup::AskedMenu;
            } else {
                endLookup();
            }
        }
        if (installPrompt && s.HandleName.isEmpty()) {
            if (lookup != Lookup::AskedListing) {
                reply(u"?"_s);
                lookup = Lookup::AskedListing;
            } else {
                reply(u"0"_s);
                endLookup();
            }
        }
        if (contains(u"H: ハンドル名")) {
            const QString rest = line.mid(2);
            const qsizetype colon = rest.indexOf(u':');
            if (colon >= 0) {
                QStringView name = QStringView(rest).sliced(colon + 1);
                while (!name.isEmpty() && name.front() == u' ')
                    name = name.sliced(1);
                while (!name.isEmpty() && name.back() == u' ')
                    name.chop(1);
                s.HandleName = name.toString();
            }
        }
        if (installPrompt && !s.HandleName.isEmpty())
            reply(u"0"_s);
        if (contains(u"MAIN (") && !s.HandleName.isEmpty()) {
            pending.clear();
            lookup = Lookup::Finished;
        }
    }
};

Account randomAccount(std::mt19937& random)
{
    Account a;
    a.guest = random() % 3 == 0;
    if (random() % 4 == 0)
        a.userId.clear();
    if (random() % 4 == 0)
        a.password.clear();
    if (random() % 2 == 0)
        a.handle.clear();
    a.autoGetHandle = random() % 4 != 0;
    return a;
}

class PromptAutomatonAgreementTest : public PromptAutomatonTest {
protected:
    void copyState(LiteralAutomaton& model)
    {
        model.line = terminal.rowCount() == 0 ? QString() : terminal.text(1, terminal.rowCount()).toString();
        model.mode = wordOf(dialogue.currentMode());
        model.pending = wordOf(dialogue.pendingCommand());
        model.settings = dialogue.settings();
        model.sent = sent();
        model.bar = window.captions;
        // Every round starts on a new connection.
        model.lookup = model.pending == u"GetHandle" ? LiteralAutomaton::Lookup::Armed
                                                     : LiteralAutomaton::Lookup::NotStarted;
    }

    void expectSame(const LiteralAutomaton& model)
    {
        ASSERT_EQ(sent(), model.sent) << model.line.toStdString();
        ASSERT_EQ(wordOf(dialogue.currentMode()), model.mode) << model.line.toStdString();
        ASSERT_EQ(wordOf(dialogue.pendingCommand()), model.pending) << model.line.toStdString();
        ASSERT_EQ(dialogue.settings().HandleName, model.settings.HandleName) << model.line.toStdString();
        ASSERT_EQ(window.captions, model.bar) << model.line.toStdString();
    }

    // A command key, when its caption offers one, on the client and the model.
    void pressACommandKey(LiteralAutomaton& model, std::mt19937& random)
    {
        const int key = 1 + int(random() % 2);
        const QString caption = dialogue.caption(key - 1);
        const QString command = caption == kLogOut    ? u"LogOut"_s
                                : caption == kChatIn  ? u"ChatIn"_s
                                : caption == kChatOut ? u"ChatOut"_s
                                                      : QString();
        if (command.isEmpty())
            return;
        dialogue.functionKeyPressed(key);
        model.bar[key - 1].clear();
        model.pending = command;
        model.stopped = false;
        model.repeats.clear();
        model.byKey = true;
        model.step();
        model.byKey = false;
        ASSERT_NO_FATAL_FAILURE(expectSame(model));
    }

    // The model takes `c`; true when it ends a line. CR LF and LF CR are
    // one line end each.
    static bool follow(LiteralAutomaton& model, QChar c, QChar& lastEnd)
    {
        const bool lineEnd = c == u'\r' || c == u'\n';
        if (lineEnd && (lastEnd == QChar() || lastEnd == c)) {
            model.line.clear();
            lastEnd = c;
            return true;
        }
        lastEnd = QChar();
        if (!lineEnd) {
            model.line.append(c);
            model.step();
        }
        return false;
    }

    // `piece` arrives one character at a time; the model follows each.
    void receivePiece(LiteralAutomaton& model, const QString& piece, QChar& lastEnd)
    {
        for (QChar c : piece) {
            receive(QString(c));
            if (follow(model, c, lastEnd)) {
                // The chat view may move the mode at a line end.
                model.mode = wordOf(dialogue.currentMode());
                model.bar = window.captions;
            }
            ASSERT_NO_FATAL_FAILURE(expectSame(model));
        }
    }

    // `block` arrives at once; the model follows each of its characters.
    // What the model sees between them is not observed, only the end.
    void receiveBlock(LiteralAutomaton& model, const QString& block, QChar& lastEnd)
    {
        receive(block);
        for (QChar c : block)
            follow(model, c, lastEnd);
        // The chat view moves the mode at line ends; the model takes it over
        // at the block's end, so blocks here hold no entry into the room.
        ASSERT_NO_FATAL_FAILURE(expectSame(model));
    }

    // A new connection with a random account: every third round in the
    // chat, else with a random command pending.
    void startRound(int round, std::mt19937& random)
    {
        const Account account = randomAccount(random);
        if (round % 3 == 0) {
            if (dialogue.currentMode() != Mode::LineOff)
                socket.hostCloses();
            enterChat();
            useAccount(account);
        } else {
            startWith(
                QStringList{u"LogIn"_s, u"LogOut"_s, u"ChatIn"_s, u"ChatOut"_s, u"GetHandle"_s}[random() % 5],
                account);
        }
    }

    // 400 rounds of `steps` random steps on the client and the model alike:
    // a command key or a changed handle, one step in `oneIn` each, else text
    // as `arrive` delivers it.
    void runRounds(unsigned seed, int steps, int oneIn,
                   const std::function<void(LiteralAutomaton&, std::mt19937&, QChar&)>& arrive)
    {
        std::mt19937 random(seed);
        for (int round = 0; round < 400; ++round) {
            SCOPED_TRACE(round);
            startRound(round, random);
            LiteralAutomaton model;
            copyState(model);
            QChar lastEnd;
            for (int step = 0; step < steps; ++step) {
                const int choice = int(random() % oneIn);
                if (choice == 0) {
                    ASSERT_NO_FATAL_FAILURE(pressACommandKey(model, random));
                } else if (choice == 1) {
                    // The record is replaced, as a reload would.
                    dialogue.settings().HandleName = random() % 2 ? u"Jiro"_s : QString();
                    model.settings.HandleName = dialogue.settings().HandleName;
                } else {
                    ASSERT_NO_FATAL_FAILURE(arrive(model, random, lastEnd));
                }
            }
            receive(u"\r\n"_s);
        }
    }
};

// Prompts, their parts and near misses, and every kind of line end.
const QStringList kPieces = {
    u"MAIN ("_s,
    u"MAI"_s,
    u"N ("_s,
    u"CHAT ("_s,
    u"INSTALL ("_s,
    u"User ID"_s,
    u"UserID"_s,
    u"Password"_s,
    u"Pass"_s,
    u"Handle Name"_s,
    u"間違っています｡"_s,
    u"間違って"_s,
    kListing,
    u"H: "_s,
    u"ハンドル"_s,
    u">"_s,
    u">"_s,
    u"="_s,
    u":"_s,
    u" "_s,
    u"   "_s,
    u"x"_s,
    u"名前"_s,
    u"ｱｲｳ"_s,
    u"\r\n"_s,
    u"\r\n"_s,
    u"\r"_s,
    u"\n"_s,
};

TEST_F(PromptAutomatonAgreementTest, AgreesWithSearchingTheWholeLineAtEveryCharacter)
{
    runRounds(20240607, 80, 40, [this](LiteralAutomaton& model, std::mt19937& random, QChar& lastEnd) {
        receivePiece(model, kPieces[random() % kPieces.size()], lastEnd);
    });
}

// The same with text in runs of any length, as the socket delivers it: the
// pipeline skips the steps between the characters at which one can act.
TEST_F(PromptAutomatonAgreementTest, AgreesWhenTextArrivesInRunsOfAnyLength)
{
    runRounds(20261207, 30, 20, [this](LiteralAutomaton& model, std::mt19937& random, QChar& lastEnd) {
        QString block;
        for (int p = int(random() % 8); p >= 0; --p)
            block += kPieces[random() % kPieces.size()];
        receiveBlock(model, block, lastEnd);
    });
}

}  // namespace
