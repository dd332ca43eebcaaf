#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// The telnet side of the board connection (RFC 854/855): takes the bytes the
// host sends, passes on the data and answers option requests as a plain
// telnet client does. Options are tracked as RFC 1143 describes, so no
// request is answered twice and no negotiation loop can start; the client
// never asks for anything itself. A host that never sends IAC is unaffected:
// code page 932 has no byte 0xFF, so plain text passes in one scan. The NUL
// of a CR NUL line end passes as data; the control-sequence reader drops
// every NUL, so it never reaches a view.
class TelnetLayer {
public:
    static constexpr unsigned char kIac = 255;
    static constexpr unsigned char kDont = 254;
    static constexpr unsigned char kDo = 253;
    static constexpr unsigned char kWont = 252;
    static constexpr unsigned char kWill = 251;
    static constexpr unsigned char kSb = 250;
    static constexpr unsigned char kSe = 240;
    static constexpr unsigned char kEcho = 1;
    static constexpr unsigned char kSuppressGoAhead = 3;

    // Takes one block. The data goes to `data`; answers to the host, if any,
    // are appended to `answers`. When the block holds no command, `data` is
    // the block itself and nothing is copied.
    void receive(QByteArrayView block, QByteArrayView& data, QByteArray& answers);

    // No command is half read.
    bool idle() const { return state_ == State::Data; }

    // A new connection: every option back to off.
    void reset();

    // Whether the host has agreed to echo (WILL ECHO answered with DO).
    bool hostEchoes() const { return hostOption_[kEcho]; }

private:
    enum class State : unsigned char { Data, Iac, Verb, Sub, SubIac };

    void parse(QByteArrayView block, QByteArray& answers);
    void step(unsigned char b, QByteArray& answers);
    void command(unsigned char verb, unsigned char option, QByteArray& answers);

    State state_ = State::Data;
    unsigned char verb_ = 0;
    // Options in effect: ours (WILL) and the host's (DO).
    std::array<bool, 256> ownOption_{};
    std::array<bool, 256> hostOption_{};
    QByteArray buffer_;
};
