// Finding http and https addresses in a line: where they end beside
// Japanese text, punctuation and brackets, and at the line's end.

#include <gtest/gtest.h>

#include <QString>

#include <ostream>
#include <vector>

#include "controls/LinkFinder.h"

namespace {

struct LinkCase {
    const char* name;
    friend void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }
    QString line;
    std::vector<QString> links;
};

class Links : public ::testing::TestWithParam<LinkCase> {};

TEST_P(Links, FoundWhereTheyStartAndEnd)
{
    const LinkCase& c = GetParam();
    std::vector<QString> found;
    for (const LinkFinder::Link& l : LinkFinder::findLinks(c.line))
        found.push_back(c.line.mid(l.start, l.length));
    EXPECT_EQ(found, c.links);
}

INSTANTIATE_TEST_SUITE_P(
    LinkFinder, Links,
    ::testing::Values(
        LinkCase{"AtLineEnd", "see http://example.com", {"http://example.com"}},
        LinkCase{"WholeLine", "https://example.com/a?b=c&d=%20#top", {"https://example.com/a?b=c&d=%20#top"}},
        LinkCase{"BeforeJapanesePunctuation", "ここ→http://example.com。次、", {"http://example.com"}},
        LinkCase{"BetweenJapaneseText", "日本語http://example.jp/path日本語", {"http://example.jp/path"}},
        LinkCase{"BeforeIdeographicSpace", "http://a.example/x　です", {"http://a.example/x"}},
        LinkCase{"InFullWidthBrackets",
                 "（http://example.com）「https://b.example」",
                 {"http://example.com", "https://b.example"}},
        LinkCase{"InAsciiBrackets",
                 "(http://example.com/x) [http://b.example]",
                 {"http://example.com/x", "http://b.example"}},
        LinkCase{"BracketsItOpens",
                 "http://en.example.org/wiki/Foo_(bar)",
                 {"http://en.example.org/wiki/Foo_(bar)"}},
        LinkCase{"Quoted",
                 "\"http://a.example\" 'http://b.example' <http://c.example>",
                 {"http://a.example", "http://b.example", "http://c.example"}},
        LinkCase{"TrailingPunctuation",
                 "http://a.example, http://b.example. http://c.example!?",
                 {"http://a.example", "http://b.example", "http://c.example"}},
        LinkCase{"AnyLetterCase", "HTTPS://EXAMPLE.COM/A", {"HTTPS://EXAMPLE.COM/A"}},
        LinkCase{"AfterAColon", "url:http://a.example", {"http://a.example"}},
        LinkCase{"InsideAWordIsNone", "xhttp://a.example", {}},
        LinkCase{"SchemeAloneIsNone", "http:// and https://. and http", {}},
        LinkCase{"OtherSchemesAreNone", "ftp://a.example httpx://b.example", {}},
        LinkCase{"AddressHoldingAnother",
                 "http://a.example/?u=http://b.example",
                 {"http://a.example/?u=http://b.example"}},
        LinkCase{"HalfWidthKanaEnds", "http://a.exampleｱｲｳ", {"http://a.example"}},
        LinkCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkAt, OnlyInsideALink)
{
    const QString line = u"見て http://a.example/x です"_qs;
    LinkFinder::Link link;
    EXPECT_FALSE(LinkFinder::linkAt(line, 2, &link));
    EXPECT_TRUE(LinkFinder::linkAt(line, 3, &link));
    EXPECT_EQ(link, (LinkFinder::Link{3, 18}));
    EXPECT_TRUE(LinkFinder::linkAt(line, 20, &link));
    EXPECT_FALSE(LinkFinder::linkAt(line, 21, &link));
    EXPECT_FALSE(LinkFinder::linkAt(line, 1000, &link));
}

}  // namespace
