#pragma once

#include <QStringView>

#include <array>

#include "main/BoardState.h"

// The texts of the function-key bar. A key's command is chosen by its
// caption, so these are at the same time the names of the commands.
namespace Captions {

inline constexpr QStringView LogIn = u"ログイン";
inline constexpr QStringView LogOut = u"ログアウト";
inline constexpr QStringView ChatIn = u"チャットイン";
inline constexpr QStringView ChatOut = u"チャットアウト";
inline constexpr QStringView SwitchScreen = u"画面切替";
inline constexpr QStringView Settings = u"設定";
inline constexpr QStringView Help = u"ヘルプ";
inline constexpr QStringView Exit = u"終了";
// Offered on F1 from the log-in key until the main menu is reached.
inline constexpr QStringView Abort = u"中止";

// The bar as the window starts, before any mode is applied; F9 to F12
// carry their own names and no command.
inline constexpr std::array<QStringView, 12> Designed = {
    LogIn, u"", u"", SwitchScreen, u"", u"", u"", Exit, u"F9", u"F10", u"F11", u"F12",
};

// The four keys a mode sets, written in this order; the other eight keep
// their captions.
inline constexpr std::array<int, 4> ModeItems = {0, 1, 4, 6};  // F1, F2, F5, F7

struct ModeCaptions {
    Mode mode;
    std::array<QStringView, 4> captions;  // for ModeItems
};

inline constexpr std::array<ModeCaptions, 3> PerMode = {{
    {Mode::LineOff, {LogIn, u"", Settings, u""}},
    {Mode::Main, {LogOut, ChatIn, u"", Help}},
    {Mode::Chat, {u"", ChatOut, u"", Help}},
}};

}  // namespace Captions
