#pragma once

#include <QString>

#include "common/TwipRect.h"

class SettingsStore;

// Where the main window opens and what it stores at exit. Everything is in
// twips of the whole screen; the outer rectangle includes frame and caption.
namespace WindowPlacement {

struct Stored {
    int top = -1;  // -1: nothing stored for that key
    int left = -1;
    int height = -1;
    int width = -1;
};

using Outer = TwipRect;

// A stored text as a whole number: fractions go to the nearest, halves to
// the even neighbour; text that is not a number counts as absent (-1).
int parseStored(const QString& text);

Stored read(const SettingsStore& store);

// Each key on its own: a missing size is two thirds of the screen, a missing
// position centres the window.
Outer initial(const Stored& stored, double screenWidth, double screenHeight);

// The outer rectangle moved and, if need be, shrunk to lie within `area`
// (the available part of the window's screen, in the same twips): a
// placement stored on a larger screen, at a smaller scale or on a screen
// since removed must not leave the window's controls out of reach.
Outer fitInto(const Outer& outer, const Outer& area);

// Writes the four keys when the user asked for it and the window is not
// minimised. Returns whether anything was written.
bool save(SettingsStore& store, const Outer& outer, bool screenSave, bool minimised);

}  // namespace WindowPlacement
