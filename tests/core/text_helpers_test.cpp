// The chat line's handle split and the small text and number helpers.
#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "support/DialogueFixture.h"

namespace {

// A line received in the chat room is split at its first ">": the handle
// without its outer spaces, the message as it came.
class ReceivedChatLine : public DialogueFixture {};

TEST_F(ReceivedChatLine, SplitsAtTheFirstMarkIntoHandleAndMessage)
{
    struct Case {
        QString line;
        QString handle;
        QString message;
    };
    const std::vector<Case> cases = {
        {"Taro>hi>there", "Taro", "hi>there"},
        {"Taro>", "Taro", ""},
        {"no mark here", "", "no mark here"},
        {"  spaced  ", "", "  spaced  "},
        {">leading", "", "leading"},
        {"  Jiro  > hi ", "Jiro", " hi "},
        {QStringLiteral("\u3000Jiro\u3000>x"), QStringLiteral("\u3000Jiro\u3000"), "x"},
        {QStringLiteral("発言> こんにちは"), "Taro", QStringLiteral(" こんにちは")},
        {">", "", ""},
    };
    setSetting("HandleName", "Taro");
    setSetting("LocalEcho", "False");
    enterChat();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        receive(c.line + QStringLiteral("\r\n"));
        ASSERT_FALSE(chatRows().empty());
        EXPECT_EQ(chatRows().back(), (ChatRow{c.handle, c.message}));
    }
    // An empty line is no statement.
    const std::size_t rows = chatRows().size();
    receive(QStringLiteral("\r\n"));
    EXPECT_EQ(chatRows().size(), rows);
}

TEST(TrimSpaces, RemovesOnlyOuterSpaces)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"  a b  ", "a b"},
        {"", ""},
        {"   ", ""},
        {"\ta\t", "\ta\t"},
        {QStringLiteral("\u3000a\u3000"), QStringLiteral("\u3000a\u3000")},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TextHelpers::trimSpaces(in).toString(), out) << in.toStdString();
}

TEST(RoundHalfEven, Cases)
{
    const double inf = std::numeric_limits<double>::infinity();
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    const std::vector<std::pair<double, qint64>> cases = {
        {12.5, 12},
        {13.5, 14},
        {0.5, 0},
        {1.5, 2},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4999999, 2},
        {2.5000001, 3},
        {-2.6, -3},
        {0.0, 0},
        {1e15 + 0.5, 1000000000000000},
        {4503599627370497.0, 4503599627370497},
        {inf, max},
        {-inf, min},
        {1e300, max},
        {std::nan(""), 0},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(TextHelpers::roundHalfEven(in), out) << in;
}

TEST(BoolText, StoredForms)
{
    EXPECT_EQ(SettingsLookup::boolText(true), QStringLiteral("True"));
    EXPECT_EQ(SettingsLookup::boolText(false), QStringLiteral("False"));
}

}  // namespace
