// The chat line's handle split and the small text and number helpers.
#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <limits>
#include <ostream>
#include <random>
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

// The quick searches answer as Qt's own do, wherever in the eight-character
// steps of the scan the part starts or ends.
TEST(TextSearch, AgreesWithQtsSearch)
{
    std::mt19937 random(20261207);
    const QString alphabet = QStringLiteral("ab>たろう");
    auto randomText = [&](int length) {
        QString text;
        for (int i = 0; i < length; ++i)
            text += alphabet[int(random() % quint32(alphabet.size()))];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const QString text = randomText(int(random() % 40));
        const int partLength = int(random() % 5);
        // Half the parts are cut from the text itself, so they are found.
        const int from = text.isEmpty() ? 0 : int(random() % quint32(text.size()));
        const QString part =
            round % 2 && !text.isEmpty() ? text.mid(from, partLength) : randomText(partLength);
        ASSERT_EQ(TextHelpers::contains(text, part), QStringView(text).contains(part))
            << text.toStdString() << " / " << part.toStdString();
        ASSERT_EQ(TextHelpers::indexOf(text, u'>'), text.indexOf(u'>')) << text.toStdString();
    }
    const QString longPart = QString(20, u'a') + u'b';
    EXPECT_TRUE(TextHelpers::contains(QString(30, u'a') + longPart, longPart));
    EXPECT_FALSE(TextHelpers::contains(QString(60, u'a'), longPart));
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
