#include "main/BoardDialogue.h"

#include "common/TimeSource.h"
#include "controls/GridModel.h"
#include "main/MainWindowPort.h"

// One step of the prompt automaton. It reads the current line only through
// lineFacts_, which the receive pipeline keeps up to date character by
// character, so a step costs the same however long the line has grown. Every
// row of the pending command's block is tested in order against the line as
// it was when the step began; a reply waits for the prompt's closing
// character to be the line's last, which is what keeps a prompt from being
// answered twice.
namespace {
using Word = LineFacts::Word;
constexpr QStringView kLogIn = u"LogIn";
constexpr QStringView kLogOut = u"LogOut";
constexpr QStringView kChatIn = u"ChatIn";
constexpr QStringView kChatOut = u"ChatOut";
constexpr QStringView kGetHandle = u"GetHandle";
constexpr QStringView kChat = u"Chat";
}  // namespace

bool BoardDialogue::lookupCanStart() const {
    return lookup_ == Lookup::NotStarted && !repliesStopped_ && settings_.HandleName.isEmpty() &&
           settings_.AutoGetHandleName;
}

bool BoardDialogue::commandIsIdle() const {
    return pendingCommand_.isEmpty() && !lookupCanStart();
}

bool BoardDialogue::stepIsIdle() const {
    const char16_t last = lineFacts_.last();
    return commandIsIdle() && last != u'>' && last != u'=';
}

void BoardDialogue::AutoStep() {
    runStep(StepCause::Character);
}

void BoardDialogue::runStep(StepCause cause) {
    // A terminal without rows has an empty current line.
    if (terminal_.rowCount() == 0)
        lineFacts_.reset();
    if (cause == StepCause::Character && stepIsIdle())
        return;
    if (pendingCommand_.isEmpty() && lookupCanStart()) {
        pendingCommand_ = kGetHandle.toString();
        lookup_ = Lookup::Armed;
    }
    applyMenuModes(cause);
    // The block is chosen once; a row that changes the command does not
    // move the step to another block.
    const QString command = pendingCommand_;
    if (command == kGetHandle)
        stepHandleLookup(cause);
    else
        stepCommand(command, cause);
}

// The line closes with `closing` where the step looks: at the last character
// for a received one; a key also looks past spaces after it, since a board's
// prompt often ends in one.
bool BoardDialogue::closesWith(Word word, char16_t closing, StepCause cause) const {
    return cause == StepCause::Key ? lineFacts_.closesBeforeSpaces(word, closing)
                                   : lineFacts_.closes(word, closing);
}

// In the chat room, a line whose first ">" comes before the menu word is a
// member's statement quoting a prompt, and must not move the client.
bool BoardDialogue::menuPrompt(Word menu, StepCause cause) const {
    if (!closesWith(menu, u'>', cause))
        return false;
    return !(currentMode_ == kChat && lineFacts_.menuWordAfterStatement(menu));
}

// The board's chat menu counts as "Main"; only the room itself is "Chat".
// Applying the mode at every menu prompt also restores the caption that a
// command key cleared when it was pressed.
void BoardDialogue::applyMenuModes(StepCause cause) {
    for (Word menu : {Word::MainMenu, Word::ChatMenu}) {
        if (menuPrompt(menu, cause)) {
            currentMode_ = QStringLiteral("Main");
            SetMode(currentMode_);
        }
    }
}

void BoardDialogue::stepCommand(const QString& command, StepCause cause) {
    const LineFacts& line = lineFacts_;
    const AppSettings& s = settings_;
    const bool mainPrompt = menuPrompt(Word::MainMenu, cause);
    const bool chatPrompt = menuPrompt(Word::ChatMenu, cause);
    if (command == kLogIn) {
        if (line.closes(Word::UserIdPrompt, u'=') && !s.UserID.isEmpty())
            reply(s.GuestFlag ? QStringLiteral("Guest") : s.UserID);
        if (line.closes(Word::PasswordWord, u'=') && !s.Password.isEmpty())
            reply(s.GuestFlag ? QString() : s.Password);
        if (line.closes(Word::HandlePrompt, u'=') && !s.HandleName.isEmpty())
            reply(s.HandleName);
        if (line.contains(Word::UserIdWord) && line.contains(Word::PasswordWord) &&
            line.contains(Word::RefusalWord))
            pendingCommand_.clear();
        if (line.contains(Word::MainMenu))
            pendingCommand_.clear();
    } else if (command == kLogOut) {
        if (mainPrompt) {
            reply(QStringLiteral("G"));
            logOutSent_ = true;
        }
    } else if (command == kChatIn) {
        if (mainPrompt)
            reply(QStringLiteral("C"));
        if (chatPrompt) {
            reply(QStringLiteral("E"));
            pendingCommand_.clear();
        }
    } else if (command == kChatOut) {
        if (line.isEmpty() && currentMode_ == kChat)
            reply(QStringLiteral("//"));
        if (chatPrompt) {
            currentMode_ = QStringLiteral("Main");
            chat_.setVisible(false);
            terminal_.setVisible(true);
            reply(QStringLiteral("0"));
            SetMode(QStringLiteral("Main"));
            pendingCommand_.clear();
        }
    }
}

// The lookup asks once per connection: "I" at the main menu, "?" at the
// profile menu, then "0" back out. A board whose listing shows no handle
// name ends it instead of being asked again.
void BoardDialogue::stepHandleLookup(StepCause cause) {
    AppSettings& s = settings_;
    const bool mainPrompt = menuPrompt(Word::MainMenu, cause);
    const bool installPrompt = closesWith(Word::InstallMenu, u'>', cause);
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
    if (lineFacts_.contains(Word::HandleListing))
        lineFacts_.followHandle(s.HandleName, currentLine_);
    if (installPrompt && !s.HandleName.isEmpty())
        reply(QStringLiteral("0"));
    if (lineFacts_.contains(Word::MainMenu) && !s.HandleName.isEmpty()) {
        pendingCommand_.clear();
        lookup_ = Lookup::Finished;
    }
}

void BoardDialogue::endLookupWithoutName() {
    if (pendingCommand_ == kGetHandle)
        pendingCommand_.clear();
    lookup_ = Lookup::Finished;
    window_.showStatus(QStringLiteral("ボードのプロフィールにハンドル名がありませんでした（ハンドル名は「設定」で指定できます）"));
}

void BoardDialogue::reply(const QString& text) {
    if (repliesStopped_)
        return;
    if (!replyGuard_.allow(text, time_.nowMs())) {
        stopRepliesForRepeats(text);
        return;
    }
    send(text);
}

// A board that repeats a prompt whatever the answer would otherwise be
// answered for ever; the user decides what happens next.
void BoardDialogue::stopRepliesForRepeats(const QString& text) {
    repliesStopped_ = true;
    pendingCommand_.clear();
    window_.showStatus(
        QStringLiteral("同じ自動応答「%1」が短い間に繰り返されたため、自動応答を止めました（キー操作で再開します）")
            .arg(text));
}

// A key or a new connection: the user is acting, so automatic replies resume.
void BoardDialogue::resumeReplies() {
    repliesStopped_ = false;
    replyGuard_.clear();
}
