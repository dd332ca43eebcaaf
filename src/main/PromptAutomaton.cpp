#include "main/BoardDialogue.h"

#include "controls/GridModel.h"

// One step of the prompt automaton. It reads the current line only through
// lineFacts_, which the receive pipeline keeps up to date character by
// character, so a step costs the same however long the line has grown. Every
// row of the pending command's block is tested in order against the line as
// it was when the step began; a reply waits for the prompt's closing
// character to be the line's last, which is what keeps a prompt from being
// answered twice.
namespace {
constexpr QStringView kLogIn = u"LogIn";
constexpr QStringView kLogOut = u"LogOut";
constexpr QStringView kChatIn = u"ChatIn";
constexpr QStringView kChatOut = u"ChatOut";
constexpr QStringView kGetHandle = u"GetHandle";
constexpr QStringView kChat = u"Chat";
}  // namespace

bool BoardDialogue::commandIsIdle() const {
    return pendingCommand_.isEmpty() && !(settings_.HandleName.isEmpty() && settings_.AutoGetHandleName);
}

bool BoardDialogue::stepIsIdle() const {
    const char16_t last = lineFacts_.last();
    return commandIsIdle() && last != u'>' && last != u'=';
}

void BoardDialogue::AutoStep() {
    using Word = LineFacts::Word;
    // A terminal without rows has an empty current line.
    if (terminal_.rowCount() == 0)
        lineFacts_.reset();
    if (stepIsIdle())
        return;
    const LineFacts& line = lineFacts_;
    AppSettings& s = settings_;

    if (pendingCommand_.isEmpty() && s.HandleName.isEmpty() && s.AutoGetHandleName)
        pendingCommand_ = QStringLiteral("GetHandle");

    // The board's chat menu counts as "Main"; only the room itself is "Chat".
    // Applying the mode at every menu prompt also restores the caption that
    // a command key cleared when it was pressed.
    for (Word menu : {Word::MainMenu, Word::ChatMenu}) {
        if (line.closes(menu, u'>')) {
            currentMode_ = QStringLiteral("Main");
            SetMode(currentMode_);
        }
    }

    const bool mainPrompt = line.closes(Word::MainMenu, u'>');
    const bool chatPrompt = line.closes(Word::ChatMenu, u'>');
    const bool installPrompt = line.closes(Word::InstallMenu, u'>');
    // The block is chosen once; a row that changes the command does not
    // move the step to another block.
    const QString command = pendingCommand_;

    if (command == kLogIn) {
        if (line.closes(Word::UserIdPrompt, u'=') && !s.UserID.isEmpty())
            send(s.GuestFlag ? QStringLiteral("Guest") : s.UserID);
        if (line.closes(Word::PasswordWord, u'=') && !s.Password.isEmpty())
            send(s.GuestFlag ? QString() : s.Password);
        if (line.closes(Word::HandlePrompt, u'=') && !s.HandleName.isEmpty())
            send(s.HandleName);
        if (line.contains(Word::UserIdWord) && line.contains(Word::PasswordWord) &&
            line.contains(Word::RefusalWord))
            pendingCommand_.clear();
        if (line.contains(Word::MainMenu))
            pendingCommand_.clear();
    } else if (command == kLogOut) {
        if (mainPrompt)
            send(QStringLiteral("G"));
    } else if (command == kChatIn) {
        if (mainPrompt)
            send(QStringLiteral("C"));
        if (chatPrompt) {
            send(QStringLiteral("E"));
            pendingCommand_.clear();
        }
    } else if (command == kChatOut) {
        if (line.isEmpty() && currentMode_ == kChat)
            send(QStringLiteral("//"));
        if (chatPrompt) {
            currentMode_ = QStringLiteral("Main");
            chat_.setVisible(false);
            terminal_.setVisible(true);
            send(QStringLiteral("0"));
            SetMode(QStringLiteral("Main"));
            pendingCommand_.clear();
        }
    } else if (command == kGetHandle) {
        if (mainPrompt && s.HandleName.isEmpty())
            send(QStringLiteral("I"));
        if (installPrompt && s.HandleName.isEmpty())
            send(QStringLiteral("?"));
        if (line.contains(Word::HandleListing))
            lineFacts_.followHandle(s.HandleName, terminal_.text(1, terminal_.rowCount()));
        if (installPrompt && !s.HandleName.isEmpty())
            send(QStringLiteral("0"));
        if (line.contains(Word::MainMenu) && !s.HandleName.isEmpty())
            pendingCommand_.clear();
    }
}
