#pragma once

#include <ostream>

#include "controls/TelnetSocket.h"
#include "main/BoardState.h"

// Readable failure messages for the client's typed state.
inline std::ostream& operator<<(std::ostream& os, Mode mode) {
    constexpr const char* kNames[] = {"LineOff", "Main", "Chat"};
    return os << kNames[int(mode)];
}

inline std::ostream& operator<<(std::ostream& os, Command command) {
    constexpr const char* kNames[] = {"None", "LogIn", "LogOut", "ChatIn", "ChatOut", "GetHandle"};
    return os << kNames[int(command)];
}

inline std::ostream& operator<<(std::ostream& os, Screen screen) {
    constexpr const char* kNames[] = {"Init", "Terminal", "Chat"};
    return os << kNames[int(screen)];
}

inline std::ostream& operator<<(std::ostream& os, TelnetSocket::State state) {
    constexpr const char* kNames[] = {"Closed", "Open", "ResolvingHost", "Connecting", "Connected", "Closing", "Error"};
    return os << kNames[int(state)];
}

inline void PrintTo(Mode mode, std::ostream* os) { *os << mode; }
inline void PrintTo(Command command, std::ostream* os) { *os << command; }
inline void PrintTo(Screen screen, std::ostream* os) { *os << screen; }
inline void PrintTo(TelnetSocket::State state, std::ostream* os) { *os << state; }
