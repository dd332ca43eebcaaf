#pragma once

#include <QtGlobal>

// Text colours made readable on a background by the WCAG 2 contrast rule.
// Colours are 0x00BBGGRR, as everywhere in the client.
namespace ReadableColor {

// The contrast that normal-size text needs to be read easily.
constexpr double kMinimumContrast = 4.5;

// WCAG 2 relative luminance, 0 for black to 1 for white.
double relativeLuminance(qint32 colour);

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrast(qint32 a, qint32 b);

// `colour` itself when it already stands out enough from `background`;
// otherwise the same hue, darkened (on a light background) or lightened (on
// a dark one) only as far as the minimum contrast needs.
qint32 adjusted(qint32 colour, qint32 background);

}  // namespace ReadableColor
