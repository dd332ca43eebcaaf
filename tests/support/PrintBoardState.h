#pragma once

#include <iterator>
#include <QString>
#include <gtest/gtest.h>

#include <ostream>

#include "controls/TelnetSocket.h"
#include "main/BoardState.h"

// Readable failure messages for the client's typed state; a value that names
// nothing prints as its number.
template <typename Enum, size_t N>
std::ostream& printEnumName(std::ostream& os, Enum value, const char* const (&names)[N])
{
    const size_t index = size_t(value);
    if (index < N)
        return os << names[index];
    return os << "(" << index << ")";
}

inline std::ostream& operator<<(std::ostream& os, Mode mode)
{
    static constexpr const char* kNames[] = {"LineOff", "Main", "Chat"};
    return printEnumName(os, mode, kNames);
}

inline std::ostream& operator<<(std::ostream& os, Command command)
{
    static constexpr const char* kNames[] = {"None", "LogIn", "LogOut", "ChatIn", "ChatOut", "GetHandle"};
    return printEnumName(os, command, kNames);
}

inline std::ostream& operator<<(std::ostream& os, Screen screen)
{
    static constexpr const char* kNames[] = {"Init", "Terminal", "Chat"};
    return printEnumName(os, screen, kNames);
}

inline std::ostream& operator<<(std::ostream& os, TelnetSocket::State state)
{
    static constexpr const char* kNames[] = {"Closed",    "Open",    "ResolvingHost", "Connecting",
                                             "Connected", "Closing", "Error"};
    return printEnumName(os, state, kNames);
}

inline void PrintTo(Mode mode, std::ostream* os)
{
    *os << mode;
}
inline void PrintTo(Command command, std::ostream* os)
{
    *os << command;
}
inline void PrintTo(Screen screen, std::ostream* os)
{
    *os << screen;
}
inline void PrintTo(TelnetSocket::State state, std::ostream* os)
{
    *os << state;
}

// The words the board's dialogue was first written with, for tests that keep
// a model of it in text; no command reads as empty.
inline QString wordOf(Mode mode)
{
    return QString::fromStdString(::testing::PrintToString(mode));
}
inline QString wordOf(Command command)
{
    return command == Command::None ? QString() : QString::fromStdString(::testing::PrintToString(command));
}
