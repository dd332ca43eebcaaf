#pragma once

#include <QString>

#include <array>
#include <optional>

#include "main/BoardState.h"

struct AppSettings;
class GridModel;
class GridView;
class MainWindowPort;
class StatusLine;

// Modes and captions: the mode the client is in, the function-key captions
// each mode sets, and which of the two views is shown.
class BoardModes {
public:
    static constexpr int kKeyCount = 12;

    // Shows the initial bar, before any mode is applied.
    BoardModes(GridModel& terminal, GridModel& chat, GridView& terminalView, GridView& chatView,
               MainWindowPort& window, StatusLine& status, const AppSettings& settings);

    Mode current() const { return current_; }
    // The mode is taken without applying it: captions and screens stay.
    void setCurrent(Mode mode) { current_ = mode; }
    // Takes the mode and applies it.
    void enter(Mode mode);
    // Applies a mode's captions, status text, input line and screen; the
    // current mode stays as it is.
    void setMode(Mode mode);
    // The main menu's mode would change nothing if applied again.
    bool mainModeIsInPlace() const;
    // Init empties both views and stands in LineOff on the terminal screen.
    void switchScreen(Screen screen);

    const QString& caption(int item) const { return captions_[item]; }
    void setCaption(int item, const QString& caption);

private:
    void resetViews();

    GridModel& terminal_;
    GridModel& chat_;
    GridView& terminalView_;
    GridView& chatView_;
    MainWindowPort& window_;
    StatusLine& status_;
    const AppSettings& settings_;

    Mode current_ = Mode::LineOff;
    std::optional<Mode> modeShown_;
    std::array<QString, kKeyCount> captions_;
};
