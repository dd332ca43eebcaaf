// The telnet layer: data passes, options are answered as a plain client
// answers them, and a command split anywhere between blocks reads the same.

#include <QByteArray>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "terminal/TelnetLayer.h"

#include "support/Bytes.h"

namespace {

constexpr int IAC = 0xFF, DONT = 0xFE, DO = 0xFD, WONT = 0xFC, WILL = 0xFB, SB = 0xFA, GA = 0xF9, NOP = 0xF1,
              SE = 0xF0;
constexpr int ECHO = 1, SGA = 3, TTYPE = 0x18;

struct Received {
    QByteArray data;
    QByteArray answers;
    friend bool operator==(const Received&, const Received&) = default;
    friend void PrintTo(const Received& r, std::ostream* os)
    {
        *os << "data " << r.data.toHex(' ').toStdString() << ", answers "
            << r.answers.toHex(' ').toStdString();
    }
};

// Feeds the stream in the given blocks to one fresh layer.
Received receiveInBlocks(const std::vector<QByteArray>& blocks)
{
    TelnetLayer telnet;
    Received r;
    for (const QByteArray& block : blocks) {
        QByteArrayView data;
        telnet.receive(block, data, r.answers);
        r.data.append(data);
    }
    return r;
}

struct StreamCase {
    const char* name;
    QByteArray stream;
    QByteArray data;
    QByteArray answers;
    friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

const StreamCase kStreams[] = {
    {"plain text", "User ID= ", "User ID= ", {}},
    {"CR NUL passes as data", QByteArray("a\r\0b", 4), QByteArray("a\r\0b", 4), {}},
    {"inetutils telnetd opening",
     bytes({IAC,  WILL, 0x25, IAC,  WILL, 0x26, IAC,  DO,  0x18, IAC, DO,
            0x20, IAC,  DO,   0x23, IAC,  DO,   0x27, IAC, DO,   0x24}),
     {},
     bytes({IAC,  DONT, 0x25, IAC,  DONT, 0x26, IAC,  WONT, 0x18, IAC, WONT,
            0x20, IAC,  WONT, 0x23, IAC,  WONT, 0x27, IAC,  WONT, 0x24})},
    {"WILL ECHO twice answered once", "a" + bytes({IAC, WILL, ECHO}) + "b" + bytes({IAC, WILL, ECHO}) + "c",
     "abc", bytes({IAC, DO, ECHO})},
    {"WONT after WILL",
     bytes({IAC, WILL, ECHO, IAC, WONT, ECHO, IAC, WONT, ECHO}),
     {},
     bytes({IAC, DO, ECHO, IAC, DONT, ECHO})},
    {"WONT for an option that is off", bytes({IAC, WONT, ECHO, IAC, WONT, TTYPE}), {}, {}},
    {"WILL SGA accepted", bytes({IAC, WILL, SGA}), {}, bytes({IAC, DO, SGA})},
    {"WILL declined each time",
     bytes({IAC, WILL, TTYPE, IAC, WILL, TTYPE}),
     {},
     bytes({IAC, DONT, TTYPE, IAC, DONT, TTYPE})},
    {"DO SGA then DONT SGA",
     bytes({IAC, DO, SGA, IAC, DO, SGA, IAC, DONT, SGA, IAC, DONT, SGA}),
     {},
     bytes({IAC, WILL, SGA, IAC, WONT, SGA})},
    {"DO ECHO declined", bytes({IAC, DO, ECHO}), {}, bytes({IAC, WONT, ECHO})},
    {"DONT for an option that is off", bytes({IAC, DONT, TTYPE}), {}, {}},
    {"IAC IAC is the data byte 255",
     "a" + bytes({IAC, IAC, IAC, IAC}) + "b",
     "a" + bytes({0xFF, 0xFF}) + "b",
     {}},
    {"option byte 255", bytes({IAC, WILL, IAC}) + "x", "x", bytes({IAC, DONT, IAC})},
    {"subnegotiation skipped whole",
     "a" + bytes({IAC, SB, TTYPE, 1, IAC, IAC, IAC, WILL, ECHO, IAC, SE}) + "b",
     "ab",
     {}},
    {"subnegotiation holding what looks like text",
     "a" + bytes({IAC, SB, 0x20}) + "hidden" + bytes({IAC, SE}) + "b",
     "ab",
     {}},
    {"NOP and GA dropped", "a" + bytes({IAC, NOP}) + "b" + bytes({IAC, GA}) + "c", "abc", {}},
    {"negotiation in the middle of a log-in prompt",
     "\r\nUser" + bytes({IAC, WILL, ECHO, IAC, WILL, SGA, IAC, DO, SGA}) + " ID= ", "\r\nUser ID= ",
     bytes({IAC, DO, ECHO, IAC, DO, SGA, IAC, WILL, SGA})},
};

class TelnetStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(TelnetStreams, WholeInTwoBlocksAndByteByByte)
{
    const StreamCase& c = GetParam();
    const Received expected{c.data, c.answers};
    EXPECT_EQ(receiveInBlocks({c.stream}), expected) << "whole";
    for (qsizetype cut = 0; cut <= c.stream.size(); ++cut)
        EXPECT_EQ(receiveInBlocks({c.stream.first(cut), c.stream.sliced(cut)}), expected) << "cut at " << cut;
    std::vector<QByteArray> single;
    for (char b : c.stream)
        single.push_back(QByteArray(1, b));
    EXPECT_EQ(receiveInBlocks(single), expected) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Telnet, TelnetStreams, ::testing::ValuesIn(kStreams), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(TelnetLayer, PlainBlockIsPassedWithoutACopy)
{
    TelnetLayer telnet;
    const QByteArray block("MAIN (C,I,G,?)> ");
    QByteArrayView data;
    QByteArray answers;
    telnet.receive(block, data, answers);
    EXPECT_EQ(data.data(), block.data());
    EXPECT_EQ(data.size(), block.size());
    EXPECT_TRUE(answers.isEmpty());
}

TEST(TelnetLayer, ResetForgetsOptionsAndAHalfReadCommand)
{
    TelnetLayer telnet;
    QByteArrayView data;
    QByteArray answers;
    telnet.receive(bytes({IAC, WILL, ECHO, IAC, SB, TTYPE}), data, answers);
    EXPECT_TRUE(telnet.hostEchoes());
    telnet.reset();
    EXPECT_FALSE(telnet.hostEchoes());
    answers.clear();
    const QByteArray again = "x" + bytes({IAC, WILL, ECHO});
    telnet.receive(again, data, answers);
    EXPECT_EQ(data.toByteArray(), QByteArray("x")) << "no subnegotiation is open any more";
    EXPECT_EQ(answers, bytes({IAC, DO, ECHO})) << "the new connection is asked afresh";
    EXPECT_TRUE(telnet.hostEchoes());
}

}  // namespace
