#pragma once

#include <QFont>

#include "common/FontSpec.h"

namespace Fonts {

// The faces the client is designed with are Windows faces; make them resolve
// to the Japanese faces of the same kind that Debian ships (IPA fonts).
void registerSubstitutions();

QFont toQFont(const FontSpec& wanted);

// The face of the dialogs' controls, at the given point size.
QFont uiFont(double points);

}  // namespace Fonts
