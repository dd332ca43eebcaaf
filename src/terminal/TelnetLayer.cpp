#include "terminal/TelnetLayer.h"

#include <cstring>

namespace {
// What a plain telnet client agrees to: the host may echo and drop go-ahead;
// we suppress go-ahead. Everything else is declined.
bool acceptHostOption(unsigned char option)
{
    return option == TelnetLayer::kEcho || option == TelnetLayer::kSuppressGoAhead;
}

bool acceptOwnOption(unsigned char option)
{
    return option == TelnetLayer::kSuppressGoAhead;
}

void answer(QByteArray& answers, unsigned char verb, unsigned char option)
{
    answers.append(char(TelnetLayer::kIac));
    answers.append(char(verb));
    answers.append(char(option));
}
}  // namespace

void TelnetLayer::reset()
{
    *this = TelnetLayer();
}

void TelnetLayer::receive(QByteArrayView block, QByteArrayView& data, QByteArray& answers)
{
    // The common case: nothing pending and no IAC in the block.
    if (state_ == State::Data &&
        (block.isEmpty() || std::memchr(block.data(), kIac, size_t(block.size())) == nullptr)) {
        data = block;
        return;
    }
    buffer_.resize(0);
    parse(block, answers);
    data = buffer_;
}

void TelnetLayer::parse(QByteArrayView block, QByteArray& answers)
{
    const char* const bytes = block.data();
    const qsizetype n = block.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (state_ == State::Data) {
            // Data runs up to the next IAC in one piece.
            const void* found = std::memchr(bytes + i, kIac, size_t(n - i));
            const qsizetype end = found ? static_cast<const char*>(found) - bytes : n;
            buffer_.append(bytes + i, end - i);
            i = end;
            if (found)
                state_ = State::Iac;
            continue;
        }
        step(static_cast<unsigned char>(bytes[i]), answers);
    }
}

void TelnetLayer::step(unsigned char b, QByteArray& answers)
{
    switch (state_) {
    case State::Data:
        break;
    case State::Iac:
        if (b == kIac) {
            buffer_.append(char(b));  // IAC IAC is the data byte 255
            state_ = State::Data;
        } else if (b >= kWill) {
            verb_ = b;
            state_ = State::Verb;
        } else {
            state_ = b == kSb ? State::Sub : State::Data;  // other commands carry nothing
        }
        break;
    case State::Verb:
        command(verb_, b, answers);
        state_ = State::Data;
        break;
    case State::Sub:
        if (b == kIac)
            state_ = State::SubIac;
        break;
    case State::SubIac:
        // IAC SE ends the subnegotiation; IAC IAC is data inside it.
        state_ = b == kSe ? State::Data : State::Sub;
        break;
    }
}

// RFC 1143 for a side that never asks first: a request for the state an
// option is already in is not answered. WILL and WONT speak of the host's
// side of an option and are answered with DO or DONT; DO and DONT speak of
// ours and are answered with WILL or WONT.
void TelnetLayer::command(unsigned char verb, unsigned char option, QByteArray& answers)
{
    const bool hostSide = verb == kWill || verb == kWont;
    const bool asked = verb == kWill || verb == kDo;
    bool& enabled = (hostSide ? hostOption_ : ownOption_)[option];
    if (enabled == asked)
        return;
    enabled = asked && (hostSide ? acceptHostOption(option) : acceptOwnOption(option));
    if (hostSide)
        answer(answers, enabled ? kDo : kDont, option);
    else
        answer(answers, enabled ? kWill : kWont, option);
}
