// A member's statement that names the user: which rows count, their
// highlight, and the announcement to the window.

#include "common/AppSettings.h"
#include "main/MentionRule.h"
#include "support/DialogueFixture.h"
#include "support/RowTest.h"

namespace {

struct MentionCase : NamedRow<MentionCase> {
    QString handle;
    QString message;
    QString handleName;  // as stored
    bool mention;
};

class WhoWroteWhat : public ::testing::TestWithParam<MentionCase> {};

TEST_P(WhoWroteWhat, IsAMentionOnlyWhenAnotherMemberNamesTheUser)
{
    const MentionCase& c = GetParam();
    AppSettings settings;
    settings.HandleName = c.handleName;
    EXPECT_EQ(MentionRule::isMention(c.handle, c.message, settings), c.mention);
}

INSTANTIATE_TEST_SUITE_P(
    MentionRule, WhoWroteWhat,
    ::testing::ValuesIn(std::vector<MentionCase>{
        MentionCase{{"a member names the user"}, "Jiro", "たろうさん、見てる？", "たろう", true},
        MentionCase{{"anywhere in the message"}, "Jiro", "ねえ たろう", "たろう", true},
        MentionCase{{"not named"}, "Jiro", "こんにちは", "たろう", false},
        MentionCase{{"the user's own statement"}, "たろう", "たろうです", "たろう", false},
        MentionCase{{"the board's own-statement handle"}, "発言", "たろうです", "たろう", false},
        MentionCase{{"spaces around the stored handle"}, "Jiro", "hi Taro", " Taro ", true},
        MentionCase{{"the user's handle with spaces shown trimmed"}, "Taro", "Taro here", " Taro ", false},
        MentionCase{{"a row without a handle"}, "", "たろうさんが入室しました。", "たろう", false},
        MentionCase{{"no handle name known"}, "Jiro", "hi", "", false},
        MentionCase{{"case matters"}, "Jiro", "hi taro", "Taro", false},
        MentionCase{{"a longer name containing it is still a mention"}, "Jiro", "Taroko?", "Taro", true},
    }));

class MentionTest : public DialogueFixture {
public:
    void SetUp() override { setSetting("HandleName", "たろう"); }
};

TEST_F(MentionTest, AMembersMentionIsHighlightedAndAnnounced)
{
    enterChat();
    receive(QStringLiteral("Jiro>たろうさん、見てる？\r\nHana>こんにちは\r\n"));
    ASSERT_EQ(chat.rowCount(), 3);
    EXPECT_EQ(chat.rowBackColor(2), 0xB0F8FF);
    EXPECT_EQ(chat.rowBackColor(3), std::nullopt);
    EXPECT_EQ(chat.rowForeColor(2), ChatFilter::handleColor(u"Jiro", 13)) << "the speaker's colour stays";
    EXPECT_EQ(window.mentions, QStringList{"Jiro>たろうさん、見てる？"});
}

// The user's own statements name the user too, in every way they come back.
struct OwnCase : NamedRow<OwnCase> {
    bool localEcho;
    std::function<void(MentionTest&)> speak;
};

class OwnStatements : public RowTest<MentionTest, OwnCase> {};

TEST_P(OwnStatements, NeverCount)
{
    setSetting("LocalEcho", GetParam().localEcho ? "True" : "False");
    restart();
    enterChat();
    GetParam().speak(*this);
    ASSERT_GE(chat.rowCount(), 2);
    EXPECT_EQ(chat.rowBackColor(2), std::nullopt);
    EXPECT_TRUE(window.mentions.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Mention, OwnStatements,
    ::testing::ValuesIn(std::vector<OwnCase>{
        OwnCase{{"the board's own-statement line"},
                false,
                [](MentionTest& t) { t.receive(QStringLiteral("発言>たろうです\r\n")); }},
        OwnCase{{"the repetition under the user's handle"},
                false,
                [](MentionTest& t) { t.receive(QStringLiteral("たろう>たろうです\r\n")); }},
        OwnCase{{"local echo"},
                true,
                [](MentionTest& t) {
                    t.window.input = QStringLiteral("たろうです");
                    t.pressEnter();
                    t.receive(QStringLiteral("発言>たろうです\r\n"));
                }},
    }));

TEST_F(MentionTest, HostEchoOfATypedLineNeverCounts)
{
    enterChat();
    socket.pushBytes(QByteArray("\xff\xfb\x01"));  // the host will echo (telnet WILL ECHO)
    window.input = QStringLiteral("Jiro>たろうです");
    pressEnter();
    receive(QStringLiteral("Jiro>たろうです\r\n"));
    EXPECT_TRUE(window.mentions.isEmpty());
    EXPECT_EQ(chat.rowCount(), 1);
}

TEST_F(MentionTest, SettingOffShowsTheRowPlainly)
{
    setSetting("NotifyMention", "False");
    enterChat();
    receive(QStringLiteral("Jiro>たろうさん\r\n"));
    ASSERT_EQ(chat.rowCount(), 2);
    EXPECT_EQ(chat.rowBackColor(2), std::nullopt);
    EXPECT_TRUE(window.mentions.isEmpty());
}

}  // namespace
