#include "main/PromptAutomaton.h"

#include "common/AppSettings.h"
#include "common/TimeSource.h"
#include "main/BoardModes.h"
#include "main/Connection.h"
#include "main/MainWindowPort.h"

// Every row of the pending command's block is tested in order against the
// line as it was when the step began; a reply waits for the prompt's closing
// character to be the line's last, which is what keeps a prompt from being
// answered twice.
namespace {
using Word = LineFacts::Word;

// The character that completes `word`: the only one at which the line can
// come to contain it.
char16_t lastOf(Word word)
{
    return LineFacts::text(word).back().unicode();
}
}  // namespace

PromptAutomaton::PromptAutomaton(AppSettings& settings, BoardModes& modes, Connection& connection,
                                 MainWindowPort& window, TimeSource& time)
    : settings_(settings), modes_(modes), connection_(connection), window_(window), time_(time)
{}

bool PromptAutomaton::lookupCanStart() const
{
    return lookup_ == Lookup::NotStarted && !repliesStopped_ && settings_.HandleName.isEmpty() &&
           settings_.AutoGetHandleName;
}

bool PromptAutomaton::commandIsIdle() const
{
    return pending_ == Command::None && !lookupCanStart();
}

bool PromptAutomaton::stepIsIdle(const LineFacts& line) const
{
    const char16_t last = line.last();
    return commandIsIdle() && last != u'>' && last != u'=';
}

// Each case follows the rows of its block: a row acts at a closing
// character, or once a word is on the line, so the stops are the closing
// characters and the last characters of the words still missing; where a
// row would act at any character, every character is a stop.
StopCharacters PromptAutomaton::stepStops(const LineFacts& line) const
{
    StopCharacters stops;
    stops.add(u'>');
    switch (pending_) {
    case Command::None:
        // The next step arms the lookup, or does what an idle one does.
        return lookupCanStart() ? StopCharacters::everyCharacter() : stops;
    case Command::LogIn:
        return logInStops(line);
    case Command::LogOut:
    case Command::ChatIn:
        return stops;
    case Command::ChatOut:
        // A received character never leaves the line empty.
        return stops;
    case Command::GetHandle:
        return lookupStops(line);
    }
    return StopCharacters::everyCharacter();
}

StopCharacters PromptAutomaton::logInStops(const LineFacts& line) const
{
    const bool refused = line.contains(Word::UserIdWord) && line.contains(Word::PasswordWord) &&
                         line.contains(Word::RefusalWord);
    if (refused || line.contains(Word::MainMenu))
        return StopCharacters::everyCharacter();
    StopCharacters stops;
    stops.add(u'>');
    stops.add(u'=');
    for (Word word : {Word::MainMenu, Word::UserIdWord, Word::PasswordWord, Word::RefusalWord})
        if (!line.contains(word))
            stops.add(lastOf(word));
    return stops;
}

// The listing line is followed at every character; the main menu ends a
// lookup that knows the name.
StopCharacters PromptAutomaton::lookupStops(const LineFacts& line) const
{
    const bool named = !settings_.HandleName.isEmpty();
    if (line.contains(Word::HandleListing) || (named && line.contains(Word::MainMenu)))
        return StopCharacters::everyCharacter();
    StopCharacters stops;
    stops.add(u'>');
    stops.add(lastOf(Word::HandleListing));
    if (named)
        stops.add(lastOf(Word::MainMenu));
    return stops;
}

void PromptAutomaton::step(Cause cause, LineFacts& line, QStringView text)
{
    if (cause == Cause::Character && stepIsIdle(line))
        return;
    if (pending_ == Command::None && lookupCanStart()) {
        pending_ = Command::GetHandle;
        lookup_ = Lookup::Armed;
    }
    // Most ">" end a chat member's handle: with no command and no menu word
    // on the line there is nothing to do.
    if (pending_ == Command::None && !line.contains(Word::MainMenu) && !line.contains(Word::ChatMenu))
        return;
    applyMenuModes(cause, line);
    // The block is chosen once; a row that changes the command does not
    // move the step to another block.
    const Command command = pending_;
    if (command == Command::GetHandle)
        stepHandleLookup(cause, line, text);
    else
        stepCommand(command, cause, line);
}

void PromptAutomaton::startConnection()
{
    lookup_ = Lookup::NotStarted;
    logOutSent_ = false;
    logInRefused_ = false;
    resumeReplies();
}

// The line closes with `closing` where the step looks: at the last character
// for a received one; a key also looks past spaces after it, since a board's
// prompt often ends in one.
bool PromptAutomaton::closesWith(const LineFacts& line, Word word, char16_t closing, Cause cause) const
{
    return cause == Cause::Key ? line.closesBeforeSpaces(word, closing) : line.closes(word, closing);
}

// In the chat room, a line whose first ">" comes before the menu word is a
// member's statement quoting a prompt, and must not move the client.
bool PromptAutomaton::menuPrompt(const LineFacts& line, Word menu, Cause cause) const
{
    if (!closesWith(line, menu, u'>', cause))
        return false;
    return !(modes_.current() == Mode::Chat && line.menuWordAfterStatement(menu));
}

// The board's chat menu counts as the main mode; only the room itself is the chat mode.
// Applying the mode at every menu prompt also restores the caption that a
// command key cleared when it was pressed.
void PromptAutomaton::applyMenuModes(Cause cause, const LineFacts& line)
{
    for (Word menu : {Word::MainMenu, Word::ChatMenu})
        if (menuPrompt(line, menu, cause))
            modes_.enter(Mode::Main);
}

void PromptAutomaton::stepCommand(Command command, Cause cause, const LineFacts& line)
{
    const AppSettings& s = settings_;
    const bool mainPrompt = menuPrompt(line, Word::MainMenu, cause);
    const bool chatPrompt = menuPrompt(line, Word::ChatMenu, cause);
    if (command == Command::LogIn) {
        if (line.closes(Word::UserIdPrompt, u'=') && !s.UserID.isEmpty())
            reply(s.GuestFlag ? QStringLiteral("Guest") : s.UserID);
        if (line.closes(Word::PasswordWord, u'=') && !s.Password.isEmpty())
            reply(s.GuestFlag ? QString() : s.Password);
        if (line.closes(Word::HandlePrompt, u'=') && !s.HandleName.isEmpty())
            reply(s.HandleName);
        if (line.contains(Word::UserIdWord) && line.contains(Word::PasswordWord) &&
            line.contains(Word::RefusalWord)) {
            pending_ = Command::None;
            logInRefused_ = true;
        }
        if (line.contains(Word::MainMenu))
            pending_ = Command::None;
    } else if (command == Command::LogOut) {
        if (mainPrompt) {
            reply(QStringLiteral("G"));
            logOutSent_ = true;
        }
    } else if (command == Command::ChatIn) {
        if (mainPrompt)
            reply(QStringLiteral("C"));
        if (chatPrompt) {
            reply(QStringLiteral("E"));
            pending_ = Command::None;
        }
    } else if (command == Command::ChatOut) {
        if (line.isEmpty() && modes_.current() == Mode::Chat)
            reply(QStringLiteral("//"));
        if (chatPrompt) {
            modes_.setCurrent(Mode::Main);
            modes_.switchScreen(Screen::Terminal);
            reply(QStringLiteral("0"));
            modes_.setMode(Mode::Main);
            pending_ = Command::None;
        }
    }
}

// The lookup asks once per connection: "I" at the main menu, "?" at the
// profile menu, then "0" back out. A board whose listing shows no handle
// name ends it instead of being asked again.
void PromptAutomaton::stepHandleLookup(Cause cause, LineFacts& line, QStringView text)
{
    AppSettings& s = settings_;
    const bool mainPrompt = menuPrompt(line, Word::MainMenu, cause);
    const bool installPrompt = closesWith(line, Word::InstallMenu, u'>', cause);
    if (mainPrompt && s.HandleName.isEmpty()) {
        if (lookup_ == Lookup::Armed) {
            reply(QStringLiteral("I"));
            lookup_ = Lookup::AskedMenu;
        } else {
            endLookupWithoutName();
        }
    }
    if (installPrompt && s.HandleName.isEmpty()) {
        if (lookup_ != Lookup::AskedListing) {
            reply(QStringLiteral("?"));
            lookup_ = Lookup::AskedListing;
        } else {
            reply(QStringLiteral("0"));
            endLookupWithoutName();
        }
    }
    if (line.contains(Word::HandleListing))
        line.followHandle(s.HandleName, text);
    if (installPrompt && !s.HandleName.isEmpty())
        reply(QStringLiteral("0"));
    if (line.contains(Word::MainMenu) && !s.HandleName.isEmpty()) {
        pending_ = Command::None;
        lookup_ = Lookup::Finished;
    }
}

void PromptAutomaton::endLookupWithoutName()
{
    if (pending_ == Command::GetHandle)
        pending_ = Command::None;
    lookup_ = Lookup::Finished;
    window_.showStatus(QStringLiteral(
        "ボードのプロフィールにハンドル名がありませんでした（ハンドル名は「設定」で指定できます）"));
}

void PromptAutomaton::reply(const QString& text)
{
    if (repliesStopped_)
        return;
    if (!replyGuard_.allow(text, time_.nowMs())) {
        stopRepliesForRepeats(text);
        return;
    }
    connection_.send(text);
}

// A board that repeats a prompt whatever the answer would otherwise be
// answered for ever; the user decides what happens next.
void PromptAutomaton::stopRepliesForRepeats(const QString& text)
{
    repliesStopped_ = true;
    pending_ = Command::None;
    window_.showStatus(
        QStringLiteral(
            "同じ自動応答「%1」が短い間に繰り返されたため、自動応答を止めました（キー操作で再開します）")
            .arg(text));
}

// A key or a new connection: the user is acting, so automatic replies resume.
void PromptAutomaton::resumeReplies()
{
    repliesStopped_ = false;
    replyGuard_.clear();
}
