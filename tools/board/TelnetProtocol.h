#pragma once

#include <QByteArray>

#include <bitset>
#include <functional>
#include <memory>

#include "common/TimeSource.h"

// The board's end of a telnet connection, as a telnet daemon behaves: it
// opens with its option requests and reports ready once the client has
// answered all of them (or the wait ran out); it takes the telnet commands
// out of the client's stream and escapes the board's own bytes.
class TelnetProtocol {
public:
    enum class Phase { Idle, Negotiating, Ready };

    static constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251;
    static constexpr unsigned char kSb = 250, kSe = 240;
    static constexpr unsigned char kEcho = 1, kSuppressGoAhead = 3, kTerminalType = 24, kWindowSize = 31;
    static constexpr unsigned char kAuthentication = 37;
    static constexpr int kDefaultNegotiationTimeoutMs = 5000;
    // A longer subnegotiation keeps its first bytes only, in the record too.
    static constexpr int kMaxSubnegotiation = 1024;

    explicit TelnetProtocol(TimeSource& time, int negotiationTimeoutMs = kDefaultNegotiationTimeoutMs);

    // Bytes for the wire: the requests, answers and escaped data.
    std::function<void(const QByteArray&)> onSend;
    // The client's data, telnet removed: IAC IAC as 0xFF, CR NUL as CR.
    std::function<void(const QByteArray&)> onData;
    // Each command the client sent, whole, from its IAC on.
    std::function<void(const QByteArray&)> onCommand;
    // Every request was answered, or the wait for answers ran out.
    std::function<void()> onReady;

    // Sends the opening requests and starts waiting for their answers.
    void start();
    // Bytes from the wire, in any pieces.
    void receive(const QByteArray& bytes);
    // The board's data escaped for the wire: 0xFF doubled, a bare CR as
    // CR NUL.
    static QByteArray escape(const QByteArray& data);

    Phase phase() const { return phase_; }
    // The client agreed that the board echoes.
    bool echoing() const { return ours_[kEcho]; }
    bool clientDoes(unsigned char option) const { return theirs_[option]; }

private:
    enum class ParseState { Data, Command, Option, Subnegotiation, SubnegotiationIac };

    void receiveByte(unsigned char byte);
    void command(unsigned char verb, unsigned char option);
    void onDo(unsigned char option, bool agree);
    void onWill(unsigned char option, bool agree);
    void sendCommand(unsigned char verb, unsigned char option);
    void finishCommand();
    void flushData();
    void checkAnswered();
    void becomeReady();

    std::unique_ptr<Timer> timer_;
    int timeoutMs_;
    Phase phase_ = Phase::Idle;
    ParseState parse_ = ParseState::Data;
    bool afterCr_ = false;
    unsigned char verb_ = 0;
    QByteArray data_;
    QByteArray command_;
    std::bitset<256> ours_;  // options the board has enabled
    std::bitset<256> theirs_;  // options the client has enabled
    std::bitset<256> askedOurs_;  // WILL sent, no answer yet
    std::bitset<256> askedTheirs_;  // DO sent, no answer yet
};
