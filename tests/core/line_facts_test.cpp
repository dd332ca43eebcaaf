#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "main/LineFacts.h"
#include "support/BufferMoves.h"

using namespace Qt::StringLiterals;

namespace {

using Word = LineFacts::Word;

LineFacts factsOf(QStringView line)
{
    LineFacts facts;
    for (QChar c : line)
        facts.append(c.unicode());
    return facts;
}

// The handle as the listing rule reads it off the whole line: the text after
// the first ":" from the third character on, spaces trimmed.
std::optional<QString> handleOf(const QString& line)
{
    const qsizetype colon = line.indexOf(u':', 2);
    if (colon < 0)
        return std::nullopt;
    QStringView rest = QStringView(line).sliced(colon + 1);
    while (!rest.isEmpty() && rest.front() == u' ')
        rest = rest.sliced(1);
    while (!rest.isEmpty() && rest.back() == u' ')
        rest.chop(1);
    return rest.toString();
}

// For each word, lines that contain it and lines that do not.
struct ContainsCase {
    Word word;
    std::vector<const char16_t*> containing;
    std::vector<const char16_t*> notContaining;
};

TEST(LineFactsTest, RecognisesEachWordExactly)
{
    const ContainsCase cases[] = {
        {Word::MainMenu,
         {u"xx MAIN (1-9)>", u"MAMAIN ("},  // a false start inside the word
         {u"MAIN(", u"main (", u"ＭＡＩＮ (", u""}},
        {Word::ChatMenu, {u"CHAT ("}, {u"CHAT  ("}},
        {Word::InstallMenu, {u"INSTALL (", u"INSTALINSTALL ("}, {}},
        {Word::UserIdPrompt, {u"User ID="}, {u"UserID"}},
        {Word::UserIdWord, {u"UserID"}, {u"User ID"}},
        {Word::PasswordWord, {u"PassPassword"}, {u"password"}},
        {Word::HandlePrompt, {u"Handle Name="}, {u"Handle  Name"}},
        {Word::RefusalWord, {u"間違っています｡"}, {u"間違っています。"}},  // not the full-width full stop
        {Word::HandleListing, {u"xH: ハンドル名:"}, {u"H:ハンドル名", u"H: ﾊﾝﾄﾞﾙ名"}},
    };
    for (const ContainsCase& c : cases) {
        for (const auto& [lines, contained] : {std::pair{c.containing, true}, {c.notContaining, false}}) {
            for (const char16_t* text : lines) {
                const QString line = QString::fromUtf16(text);
                EXPECT_EQ(factsOf(line).contains(c.word), contained) << line.toStdString();
            }
        }
    }
}

TEST(LineFactsTest, AWordStaysContainedUntilReset)
{
    LineFacts facts = factsOf(u"MAIN (");
    for (QChar c : QStringLiteral(" and more text"))
        facts.append(c.unicode());
    EXPECT_TRUE(facts.contains(Word::MainMenu));
    facts.reset();
    EXPECT_FALSE(facts.contains(Word::MainMenu));
    EXPECT_TRUE(facts.isEmpty());
    EXPECT_EQ(facts.last(), 0);
}

TEST(LineFactsTest, ClosesNeedsTheWordAndTheLastCharacter)
{
    EXPECT_TRUE(factsOf(u"MAIN (1)>").closes(Word::MainMenu, u'>'));
    EXPECT_FALSE(factsOf(u"MAIN (1)> ").closes(Word::MainMenu, u'>'));
    EXPECT_FALSE(factsOf(u"CHAT (1)>").closes(Word::MainMenu, u'>'));
    EXPECT_FALSE(factsOf(u">").closes(Word::MainMenu, u'>'));
    EXPECT_FALSE(LineFacts().closes(Word::MainMenu, 0));
}

TEST(LineFactsTest, HandleSpanFollowsTheListingRule)
{
    const char16_t* lines[] = {
        u"H: ハンドル名   :  Taro Yamada  ",
        u"H: ハンドル名 Taro",  // the ":" before the third character does not count
        u"::",
        u"ab:",
        u"ab:   ",
        u"ab: x : y ",
        u"ab:x",
        u"a:b:c",
        u"",
    };
    for (const char16_t* text : lines) {
        const QString line = QString::fromUtf16(text);
        const LineFacts facts = factsOf(line);
        const std::optional<QString> expected = handleOf(line);
        ASSERT_EQ(facts.hasHandleColon(), expected.has_value()) << line.toStdString();
        if (expected) {
            const QStringView span =
                QStringView(line).sliced(facts.handleBegin(), facts.handleEnd() - facts.handleBegin());
            EXPECT_EQ(span.toString(), *expected) << line.toStdString();
        }
    }
}

// The facts after every prefix of generated lines agree with searching the
// prefix whole.
TEST(LineFactsTest, AgreesWithSearchingTheWholeLine)
{
    const QStringList pieces = {u"MAIN ("_s,
                                u"MAI"_s,
                                u"CHAT ("_s,
                                u"INSTALL ("_s,
                                u"User ID"_s,
                                u"UserID"_s,
                                u"Pass"_s,
                                u"word"_s,
                                u"Handle Name"_s,
                                u"間違っています｡"_s,
                                u"H: ハンドル名"_s,
                                u"H: "_s,
                                u":"_s,
                                u" "_s,
                                u"  "_s,
                                u">"_s,
                                u"="_s,
                                u"x"_s,
                                u"名前"_s};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        QString line;
        LineFacts facts;
        const int count = 1 + int(random() % 12);
        for (int p = 0; p < count; ++p) {
            for (QChar c : pieces[random() % pieces.size()]) {
                line.append(c);
                facts.append(c.unicode());
                for (int w = 0; w < LineFacts::kWordCount; ++w)
                    ASSERT_EQ(facts.contains(Word(w)), line.contains(LineFacts::text(Word(w))))
                        << line.toStdString() << " word " << w;
                ASSERT_EQ(facts.length(), line.size());
                ASSERT_EQ(facts.last(), line.back().unicode());
                const std::optional<QString> expected = handleOf(line);
                ASSERT_EQ(facts.hasHandleColon(), expected.has_value());
                QString name = u"previous"_s;
                facts.followHandle(name, line);
                ASSERT_EQ(name, expected.value_or(u"previous"_s)) << line.toStdString();
            }
        }
    }
}

TEST(LineFactsTest, FollowingAGrowingHandleCopiesEachCharacterOnce)
{
    const QString line = u"H: ハンドル名 : "_s + QString(5000, u'n') + u"  tail"_s;
    LineFacts facts;
    QString name;
    BufferMoves moves(name);
    for (qsizetype i = 0; i < line.size(); ++i) {
        facts.append(line[i].unicode());
        facts.followHandle(name, QStringView(line).first(i + 1));
        moves.observe();
    }
    EXPECT_EQ(name, *handleOf(line));
    // Copied whole at each of its 5000 steps, the name would move as often.
    EXPECT_LE(moves.observe(), 32);
}

TEST(LineFactsTest, AReplacedNameIsRecomputedFromTheLine)
{
    const QString line = u"H: ハンドル名 : Taro"_s;
    LineFacts facts = factsOf(line);
    QString name;
    facts.followHandle(name, line);
    ASSERT_EQ(name, u"Taro"_s);

    // Someone else put another name of the same length in place.
    name = u"Jiro"_s;
    const QString longer = line + u" Y"_s;
    facts.append(u' ');
    facts.append(u'Y');
    facts.followHandle(name, longer);
    EXPECT_EQ(name, u"Taro Y"_s);

    name.clear();
    facts.append(u'a');
    facts.followHandle(name, longer + u"a"_s);
    EXPECT_EQ(name, u"Taro Ya"_s);
}

TEST(LineFactsTest, ANewLineStartsItsHandleAfresh)
{
    LineFacts facts = factsOf(u"H: ハンドル名 : Taro");
    QString name;
    facts.followHandle(name, u"H: ハンドル名 : Taro");
    facts.reset();
    const QString next = u"H: ハンドル名 : Taro2"_s;
    for (QChar c : next)
        facts.append(c.unicode());
    facts.followHandle(name, next);
    EXPECT_EQ(name, u"Taro2"_s);
}

TEST(LineFactsTest, ALineShorterThanTheFactsIsNeverReadPastItsEnd)
{
    const LineFacts facts = factsOf(u"H: ハンドル名 : Taro");
    LineFacts copy = facts;
    QString name;
    copy.followHandle(name, u"H: ハンドル名 : Ta");
    EXPECT_EQ(name, u"Ta"_s);
    copy.followHandle(name, u"");
    EXPECT_TRUE(name.isEmpty());
}

}  // namespace
