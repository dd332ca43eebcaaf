#pragma once

#include <QtGlobal>

// What the prompt automaton knows about the current line, kept up to date
// one character at a time so that no step re-reads the line.
class LineFacts {
public:
    // A new, empty current line.
    void reset();
    // The current line grew by one character.
    void append(char16_t ch);
};
