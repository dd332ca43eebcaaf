#pragma once

#include <QString>

#include "common/FontSpec.h"

// What the board dialogue asks of the window around it. The main window
// implements it with widgets; tests implement it with a recorder.
class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;

    // Function-key bar: item 0 is F1.
    virtual void setFunctionKeyCaption(int item, const QString& caption) = 0;

    // Input line.
    virtual void setInputEnabled(bool enabled) = 0;
    virtual void focusInput() = 0;
    virtual void setInputFont(const FontSpec& font) = 0;
    virtual QString inputText() const = 0;
    virtual void setInputText(const QString& text) = 0;

    // The host rang the bell: raise the window's attention hint when it is
    // not the active window.
    virtual void alertUser() = 0;
    // A member wrote the user's handle name: when the window is not the
    // active one, its attention hint and a desktop notification.
    virtual void announceMention(const QString& handle, const QString& message) = 0;

    // Status bar: what just happened, for the user.
    virtual void showStatus(const QString& message) = 0;
    // A problem the user must be able to read later (the settings at
    // start-up): shown, and kept where the status bar's next message does
    // not wipe it.
    virtual void showWarning(const QString& message) = 0;

    // "設定": the modal settings dialog; returns when it has closed.
    virtual void openSettingsDialog() = 0;
    // "終了": store the placement, flush the settings and end the process.
    virtual void exitApplication() = 0;
};
