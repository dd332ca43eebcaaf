#include "TelnetProtocol.h"

#include <initializer_list>
#include <utility>

namespace {

constexpr unsigned char kNul = 0;
constexpr unsigned char kCr = '\r';
constexpr unsigned char kLf = '\n';
constexpr unsigned char kTerminalTypeSend = 1;

QByteArray bytesOf(std::initializer_list<unsigned char> list)
{
    QByteArray out;
    for (unsigned char byte : list)
        out.append(char(byte));
    return out;
}

bool boardOffers(unsigned char option)
{
    return option == TelnetProtocol::kEcho || option == TelnetProtocol::kSuppressGoAhead;
}

bool boardAccepts(unsigned char option)
{
    return option == TelnetProtocol::kTerminalType || option == TelnetProtocol::kWindowSize;
}

}  // namespace

TelnetProtocol::TelnetProtocol(TimeSource& time, int negotiationTimeoutMs)
    : timer_(time.createTimer()), timeoutMs_(negotiationTimeoutMs)
{
    timer_->onTimeout = [this] { becomeReady(); };
}

void TelnetProtocol::start()
{
    phase_ = Phase::Negotiating;
    // The order inetutils-telnetd uses: authentication first, then the
    // terminal's type and the options of a character-at-a-time session.
    askedOurs_.set(kAuthentication);
    askedTheirs_.set(kTerminalType);
    askedOurs_.set(kEcho);
    askedOurs_.set(kSuppressGoAhead);
    askedTheirs_.set(kWindowSize);
    sendCommand(kWill, kAuthentication);
    sendCommand(kDo, kTerminalType);
    sendCommand(kWill, kEcho);
    sendCommand(kWill, kSuppressGoAhead);
    sendCommand(kDo, kWindowSize);
    timer_->startOnce(timeoutMs_);
}

void TelnetProtocol::receive(const QByteArray& bytes)
{
    for (char c : bytes)
        receiveByte(static_cast<unsigned char>(c));
    flushData();
}

void TelnetProtocol::receiveByte(unsigned char byte)
{
    switch (parse_) {
    case ParseState::Data:
        if (byte == kIac) {
            parse_ = ParseState::Command;
            command_ = QByteArray(1, char(kIac));
            return;
        }
        if (!(afterCr_ && byte == kNul))
            data_.append(char(byte));
        afterCr_ = byte == kCr;
        return;
    case ParseState::Command:
        if (byte == kIac) {
            data_.append(char(kIac));
            afterCr_ = false;
            parse_ = ParseState::Data;
            return;
        }
        command_.append(char(byte));
        if (byte >= kWill && byte <= kDont) {
            verb_ = byte;
            parse_ = ParseState::Option;
        } else if (byte == kSb) {
            parse_ = ParseState::Subnegotiation;
        } else {
            finishCommand();
        }
        return;
    case ParseState::Option:
        command_.append(char(byte));
        finishCommand();
        command(verb_, byte);
        return;
    case ParseState::Subnegotiation:
    case ParseState::SubnegotiationIac: {
        const bool kept = command_.size() < kMaxSubnegotiation;
        if (kept)
            command_.append(char(byte));
        if (parse_ == ParseState::SubnegotiationIac && byte == kSe) {
            if (!kept)
                command_.append(bytesOf({kIac, kSe}));
            finishCommand();
            return;
        }
        // IAC IAC inside a subnegotiation is a data byte, not the start of
        // IAC SE.
        parse_ = parse_ == ParseState::Subnegotiation && byte == kIac ? ParseState::SubnegotiationIac
                                                                      : ParseState::Subnegotiation;
        return;
    }
    }
}

void TelnetProtocol::finishCommand()
{
    parse_ = ParseState::Data;
    flushData();
    if (onCommand)
        onCommand(command_);
    command_.clear();
}

void TelnetProtocol::flushData()
{
    if (data_.isEmpty())
        return;
    const QByteArray data = std::exchange(data_, {});
    if (onData)
        onData(data);
}

void TelnetProtocol::command(unsigned char verb, unsigned char option)
{
    if (verb == kDo || verb == kDont)
        onDo(option, verb == kDo);
    else
        onWill(option, verb == kWill);
    checkAnswered();
}

// The client asks the board to enable (DO) or disable (DONT) one of its
// options. An answer to the board's own request is not acknowledged, nor a
// request for the state the option is already in, so neither side loops.
void TelnetProtocol::onDo(unsigned char option, bool agree)
{
    if (askedOurs_[option]) {
        askedOurs_.reset(option);
        ours_[option] = agree;
        return;
    }
    if (ours_[option] == agree)
        return;
    if (!agree) {
        ours_.reset(option);
        sendCommand(kWont, option);
        return;
    }
    ours_[option] = boardOffers(option);
    sendCommand(ours_[option] ? kWill : kWont, option);
}

void TelnetProtocol::onWill(unsigned char option, bool agree)
{
    if (askedTheirs_[option]) {
        askedTheirs_.reset(option);
        theirs_[option] = agree;
    } else if (theirs_[option] != agree) {
        theirs_[option] = agree && boardAccepts(option);
        sendCommand(theirs_[option] ? kDo : kDont, option);
    } else {
        return;
    }
    if (option == kTerminalType && theirs_[option] && onSend)
        onSend(bytesOf({kIac, kSb, kTerminalType, kTerminalTypeSend, kIac, kSe}));
}

void TelnetProtocol::sendCommand(unsigned char verb, unsigned char option)
{
    if (onSend)
        onSend(bytesOf({kIac, verb, option}));
}

void TelnetProtocol::checkAnswered()
{
    if (phase_ == Phase::Negotiating && askedOurs_.none() && askedTheirs_.none())
        becomeReady();
}

void TelnetProtocol::becomeReady()
{
    if (phase_ != Phase::Negotiating)
        return;
    timer_->stop();
    phase_ = Phase::Ready;
    if (onReady)
        onReady();
}

QByteArray TelnetProtocol::escape(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 16 + 2);
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out.append(char(byte));
        if (byte == kIac)
            out.append(char(kIac));
        else if (byte == kCr && (i + 1 == data.size() || data[i + 1] != char(kLf)))
            out.append(char(kNul));
    }
    return out;
}
