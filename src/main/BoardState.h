#pragma once

#include <QtGlobal>

// Where the client stands towards the board: no connection, the board's
// menus, or the chat room.
enum class Mode : quint8 { LineOff, Main, Chat };

// The board command the prompt automaton is carrying out.
enum class Command : quint8 { None, LogIn, LogOut, ChatIn, ChatOut, GetHandle };

// What the two views show: Init empties both and shows the terminal.
enum class Screen : quint8 { Init, Terminal, Chat };
