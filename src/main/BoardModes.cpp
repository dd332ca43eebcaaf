#include "main/BoardModes.h"

#include "common/AppSettings.h"
#include "controls/GridModel.h"
#include "controls/GridView.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"
#include "main/StatusLine.h"

namespace {
// The chat view's column widths when it is emptied, in twips.
constexpr double kChatHandleWidth = 1200;
constexpr double kChatMessageWidth = 975;

// Null for a value that names no mode (one converted from outside).
const Captions::ModeCaptions* captionsOf(Mode mode)
{
    for (const Captions::ModeCaptions& entry : Captions::PerMode)
        if (entry.mode == mode)
            return &entry;
    return nullptr;
}
}  // namespace

BoardModes::BoardModes(GridModel& terminal, GridModel& chat, GridView& terminalView, GridView& chatView,
                       MainWindowPort& window, StatusLine& status, const AppSettings& settings)
    : terminal_(terminal), chat_(chat), terminalView_(terminalView), chatView_(chatView), window_(window),
      status_(status), settings_(settings)
{
    // The window shows what is held here, so the initial bar goes through it
    // as every later caption does.
    for (int item = 0; item < kKeyCount; ++item) {
        captions_[item] = Captions::Designed[item].toString();
        window_.setFunctionKeyCaption(item, captions_[item]);
    }
}

void BoardModes::setCaption(int item, const QString& caption)
{
    // The mode is applied at every menu prompt, so mostly nothing changes;
    // that must cost nothing, however often the host repeats the prompt.
    if (captions_[item] == caption)
        return;
    captions_[item] = caption;
    window_.setFunctionKeyCaption(item, caption);
}

void BoardModes::enter(Mode mode)
{
    current_ = mode;
    setMode(mode);
}

void BoardModes::setMode(Mode mode)
{
    const Captions::ModeCaptions* const found = captionsOf(mode);
    if (!found)
        return;
    const Captions::ModeCaptions& entry = *found;
    for (size_t i = 0; i < Captions::ModeItems.size(); ++i) {
        // Compared before a string is made: the mode is applied again at
        // every menu prompt, and mostly nothing changes.
        const int item = Captions::ModeItems[i];
        if (captions_[item] != entry.captions[i])
            setCaption(item, entry.captions[i].toString());
    }
    if (mode != modeShown_) {
        modeShown_ = mode;
        if (mode == Mode::Main)
            status_.showState(QStringLiteral("メインメニュー"));
        else if (mode == Mode::Chat)
            status_.showState(QStringLiteral("チャットルーム"));
    }
    if (mode == Mode::LineOff)
        window_.setInputEnabled(false);
    else if (settings_.AutoChangeWindow)
        switchScreen(mode == Mode::Main ? Screen::Terminal : Screen::Chat);
}

bool BoardModes::mainModeIsInPlace() const
{
    if (current_ != Mode::Main)
        return false;
    static const Captions::ModeCaptions* const main = captionsOf(Mode::Main);
    for (size_t i = 0; i < Captions::ModeItems.size(); ++i)
        if (captions_[Captions::ModeItems[i]] != main->captions[i])
            return false;
    return !settings_.AutoChangeWindow || (terminalView_.isVisible() && !chatView_.isVisible());
}

void BoardModes::switchScreen(Screen screen)
{
    switch (screen) {
    case Screen::Init:
        resetViews();
        enter(Mode::LineOff);
        switchScreen(Screen::Terminal);
        return;
    case Screen::Terminal:
        chatView_.setVisible(false);
        terminalView_.setVisible(true);
        return;
    case Screen::Chat:
        chatView_.setVisible(true);
        terminalView_.setVisible(false);
        return;
    }
}

void BoardModes::resetViews()
{
    terminal_.setColumnCount(1);
    terminal_.setRowCount(0);
    chat_.setColumnCount(2);
    chat_.setRowCount(0);
    chatView_.setColumnWidth(1, kChatHandleWidth);
    chatView_.setColumnWidth(2, kChatMessageWidth);
}
