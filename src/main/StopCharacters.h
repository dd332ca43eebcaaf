#pragma once

#include <QtGlobal>

#include <array>

// The characters at which a run of received text must stop: the line ends,
// and those at which a step of the prompt automaton could act. A set holds
// up to six of the latter, or stands for every character (no run may be
// skipped). Finding the next stop looks at eight characters at a time where
// SSE2 is there (every x86-64), one at a time elsewhere.
class StopCharacters {
public:
    static constexpr int kCapacity = 6;

    // CR and LF only.
    StopCharacters() = default;
    static StopCharacters everyCharacter();

    // Adds `c` to the set; a full set stops everywhere instead, which is
    // always safe.
    void add(char16_t c);
    bool stopsEverywhere() const { return everywhere_; }
    bool contains(char16_t c) const;

    // The first stop in chars[i..n), or n.
    qsizetype find(const char16_t* chars, qsizetype i, qsizetype n) const;

private:
    // Unused places repeat CR, so the scan compares with all of them.
    std::array<char16_t, kCapacity> chars_ = {u'\r', u'\r', u'\r', u'\r', u'\r', u'\r'};
    int count_ = 0;
    bool everywhere_ = false;
};
