#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "common/Cp932.h"
#include "terminal/ControlSequenceReader.h"
#include "terminal/TelnetLayer.h"

class TerminalSink;

// The byte path: received bytes pass the telnet layer, the code page 932
// decoder and the control-sequence reader, in that order, and come out as
// text, controls and styles for a TerminalSink, plus the telnet answers the
// host is owed.
class BytePath {
public:
    // Takes a block of bytes; text() and answers() then hold what it gave.
    void receive(QByteArrayView bytes);
    // A lead byte the host never completed, as text (the connection ended).
    void finish();
    // What the last receive() or finish() decoded.
    QStringView text() const { return decoded_; }
    // The telnet answers that the last receive() owes the host.
    const QByteArray& answers() const { return answers_; }
    // Text through the control-sequence reader into `sink`.
    void feed(QStringView text, TerminalSink& sink) { controls_.feed(text, sink); }
    // What the last receive() decoded, into `sink`.
    void deliver(TerminalSink& sink);
    // The host has agreed to echo what the user types.
    bool hostEchoes() const { return telnet_.hostEchoes(); }
    // Each connection starts afresh.
    void reset();

private:
    TelnetLayer telnet_;
    Cp932::Decoder decoder_;
    ControlSequenceReader controls_;
    QString decoded_;
    QByteArray answers_;
    // The last block held nothing for the telnet layer or the reader to do.
    bool plain_ = false;
};
