#pragma once

class QLocale;
class QTranslator;

// Qt's own texts (the context menus of text fields, the font and colour
// dialogs, message box buttons) in Japanese, like the rest of the window.
namespace QtTranslations {

// Whether `locale` asks for Japanese: its language, or the first of its
// user-interface languages.
bool wantsJapanese(const QLocale& locale);

// Loads Qt's Japanese translation from Qt's translations folder and installs
// it in the application when `locale` asks for Japanese. Returns the
// installed translator, owned by the application, or null when none was
// wanted or the translation is not installed.
QTranslator* install(const QLocale& locale);

}  // namespace QtTranslations
