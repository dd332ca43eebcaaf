#include "main/BoardDialogue.h"

#include "controls/GridModel.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"

namespace {
// The chat view's designed column widths, in twips.
constexpr double kChatHandleWidth = 1200;
constexpr double kChatMessageWidth = 975;

const Captions::ModeCaptions* captionsOf(QStringView mode) {
    for (const Captions::ModeCaptions& entry : Captions::PerMode)
        if (entry.mode == mode)
            return &entry;
    return nullptr;
}
}  // namespace

void BoardDialogue::SetMode(const QString& word) {
    // The word may be currentMode_ itself; it is read only.
    for (const Captions::ModeCaptions& entry : Captions::PerMode) {
        if (word != entry.mode)
            continue;
        for (size_t i = 0; i < Captions::ModeItems.size(); ++i) {
            // Compared before a string is made: the mode is applied again at
            // every menu prompt, and mostly nothing changes.
            const int item = Captions::ModeItems[i];
            if (captions_[item] != entry.captions[i])
                setCaption(item, entry.captions[i].toString());
        }
        if (word != modeShown_) {
            modeShown_ = word;
            if (word == u"Main")
                showState(QStringLiteral("メインメニュー"));
            else if (word == u"Chat")
                showState(QStringLiteral("チャットルーム"));
        }
        if (word == u"LineOff")
            window_.setInputEnabled(false);
        else if (settings_.AutoChangeWindow)
            SwitchScreen(word == u"Main" ? QStringLiteral("Terminal") : QStringLiteral("Chat"));
        return;
    }
}

bool BoardDialogue::mainModeIsInPlace() const {
    if (currentMode_ != u"Main")
        return false;
    static const Captions::ModeCaptions* const main = captionsOf(u"Main");
    for (size_t i = 0; i < Captions::ModeItems.size(); ++i)
        if (captions_[Captions::ModeItems[i]] != main->captions[i])
            return false;
    return !settings_.AutoChangeWindow || (terminal_.isVisible() && !chat_.isVisible());
}

void BoardDialogue::SwitchScreen(const QString& word) {
    if (word == u"Init") {
        terminal_.setColumnCount(1);
        terminal_.setRowCount(0);
        chat_.setColumnCount(2);
        chat_.setRowCount(0);
        chat_.setColumnWidth(1, kChatHandleWidth);
        chat_.setColumnWidth(2, kChatMessageWidth);
        startLine();
        previousLine_.clear();
        currentMode_ = QStringLiteral("LineOff");
        SetMode(currentMode_);
        SwitchScreen(QStringLiteral("Terminal"));
    } else if (word == u"Terminal") {
        chat_.setVisible(false);
        terminal_.setVisible(true);
    } else if (word == u"Chat") {
        chat_.setVisible(true);
        terminal_.setVisible(false);
    }
}
