#pragma once

#include <QString>
#include <QStringView>

#include "main/BoardState.h"
#include "main/LineFacts.h"
#include "main/ReplyGuard.h"
#include "main/StopCharacters.h"

struct AppSettings;
class BoardModes;
class Connection;
class MainWindowPort;
class TimeSource;

// The prompt automaton: answers the board's prompts for the pending command
// (log-in, log-out, entering and leaving the chat room), looks the handle
// name up once per connection, applies the main menu's mode at its prompt,
// and stops answering a board that repeats a prompt too fast.
class PromptAutomaton {
public:
    // What ran the step: a received character, or a function key (which
    // looks past spaces after a prompt's closing character).
    enum class Cause { Character, Key };

    PromptAutomaton(AppSettings& settings, BoardModes& modes, Connection& connection, MainWindowPort& window,
                    TimeSource& time);

    // One step on the current line, `text`, which `line` describes. It reads
    // the line only through its facts, so a step costs the same however long
    // the line has grown.
    void step(Cause cause, LineFacts& line, QStringView text);
    // No command is pending or to be armed: only a closing character can
    // make the step act.
    bool commandIsIdle() const;
    // A step would do nothing at all on this line: no command is pending or
    // to be armed, and the line does not end in a prompt's closing
    // character. Most received characters leave the step idle.
    bool stepIsIdle(const LineFacts& line) const;
    // The characters at which a step on a received character could act,
    // given the line's facts as they stand: the steps at all other
    // characters leave everything as it is, as long as no stop comes
    // between. A pending command mostly waits for a prompt's closing
    // character, so the received text goes in whole runs up to it.
    StopCharacters stepStops(const LineFacts& line) const;

    Command pendingCommand() const { return pending_; }
    void setPendingCommand(Command command) { pending_ = command; }
    // A new connection: the lookup may run again and replies resume.
    void startConnection();
    // The log-out letter went out for a pending log-out.
    bool loggedOut() const { return pending_ == Command::LogOut && logOutSent_; }
    // The board refused the user ID or password of this connection.
    bool logInRefused() const { return logInRefused_; }
    // A key or a new connection: the user is acting, so replies resume.
    void resumeReplies();

private:
    // How far the handle lookup of this connection has come.
    enum class Lookup : quint8 { NotStarted, Armed, AskedMenu, AskedListing, Finished };

    void stepCommand(Command command, Cause cause, const LineFacts& line);
    void stepHandleLookup(Cause cause, LineFacts& line, QStringView text);
    void applyMenuModes(Cause cause, const LineFacts& line);
    bool closesWith(const LineFacts& line, LineFacts::Word word, char16_t closing, Cause cause) const;
    bool menuPrompt(const LineFacts& line, LineFacts::Word menu, Cause cause) const;
    bool lookupCanStart() const;
    StopCharacters logInStops(const LineFacts& line) const;
    StopCharacters lookupStops(const LineFacts& line) const;
    void endLookupWithoutName();
    // A reply: held back while automatic replies are stopped.
    void reply(const QString& text);
    void stopRepliesForRepeats(const QString& text);

    AppSettings& settings_;
    BoardModes& modes_;
    Connection& connection_;
    MainWindowPort& window_;
    TimeSource& time_;

    Command pending_ = Command::None;
    Lookup lookup_ = Lookup::NotStarted;
    ReplyGuard replyGuard_;
    bool repliesStopped_ = false;
    bool logOutSent_ = false;
    bool logInRefused_ = false;
};
