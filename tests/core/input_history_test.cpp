// Recalling typed lines with Up and Down: order, the draft, the limit.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "main/InputHistory.h"
#include "support/PrintQString.h"

namespace {

// One key of a walk: Up with what the input line holds, or Down; and what
// the input line holds afterwards (unchanged when nothing is recalled).
struct Step {
    enum Key { Up, Down } key;
    QString expected;
};

struct WalkCase {
    const char* name;
    friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }
    std::vector<QString> sent;
    QString draft;
    std::vector<Step> steps;
};

class Walks : public ::testing::TestWithParam<WalkCase> {};

TEST_P(Walks, InputLineFollowsTheKeys)
{
    const WalkCase& c = GetParam();
    InputHistory history;
    for (const QString& line : c.sent)
        history.add(line);
    QString shown = c.draft;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const std::optional<QString> recalled =
            c.steps[i].key == Step::Up ? history.older(shown) : history.newer();
        if (recalled)
            shown = *recalled;
        EXPECT_EQ(shown, c.steps[i].expected) << "after key " << i + 1;
    }
}

using S = Step;

INSTANTIATE_TEST_SUITE_P(
    InputHistory, Walks,
    ::testing::Values(
        WalkCase{"NothingSentKeepsTheDraft", {}, "typing", {{S::Up, "typing"}, {S::Down, "typing"}}},
        WalkCase{"UpGoesNewestFirst", {"a", "b", "c"}, "", {{S::Up, "c"}, {S::Up, "b"}, {S::Up, "a"}}},
        WalkCase{"UpStopsAtTheOldest", {"a", "b"}, "", {{S::Up, "b"}, {S::Up, "a"}, {S::Up, "a"}}},
        WalkCase{"DownPastTheNewestRestoresTheDraft",
                 {"a", "b"},
                 "half typed",
                 {{S::Up, "b"}, {S::Up, "a"}, {S::Down, "b"}, {S::Down, "half typed"}}},
        WalkCase{"DownAtTheDraftDoesNothing", {"a"}, "draft", {{S::Down, "draft"}, {S::Up, "a"}}},
        WalkCase{"EmptyDraftRestoredEmpty", {"a"}, "", {{S::Up, "a"}, {S::Down, ""}}},
        WalkCase{"EmptyLinesAreNotKept", {"a", "", "b", ""}, "", {{S::Up, "b"}, {S::Up, "a"}, {S::Up, "a"}}},
        WalkCase{"RepeatedLineKeptOnce", {"a", "b", "b"}, "", {{S::Up, "b"}, {S::Up, "a"}}},
        WalkCase{"RepeatNotInARowKeptTwice", {"a", "b", "a"}, "", {{S::Up, "a"}, {S::Up, "b"}, {S::Up, "a"}}},
        WalkCase{"SpacesCount", {"a", "a "}, "", {{S::Up, "a "}, {S::Up, "a"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputHistoryLimit, KeepsTheLastHundred)
{
    InputHistory history;
    for (int i = 1; i <= 150; ++i)
        history.add(QString::number(i));
    EXPECT_EQ(history.size(), InputHistory::kCapacity);
    QString shown;
    std::vector<QString> recalled;
    while (const std::optional<QString> line = history.older(shown)) {
        shown = *line;
        recalled.push_back(shown);
    }
    ASSERT_EQ(recalled.size(), 100u);
    EXPECT_EQ(recalled.front(), "150");
    EXPECT_EQ(recalled.back(), "51");
}

TEST(InputHistoryWalk, SendingStartsTheWalkAgainFromANewDraft)
{
    InputHistory history;
    history.add("a");
    history.add("b");
    ASSERT_EQ(history.older("old draft"), "b");
    ASSERT_EQ(history.older("b"), "a");
    history.add("a again");  // the recalled line, edited and sent
    EXPECT_EQ(history.newer(), std::nullopt) << "at the draft after a send";
    EXPECT_EQ(history.older("new draft"), "a again");
    EXPECT_EQ(history.newer(), "new draft") << "not the draft of the walk before";
}

}  // namespace
