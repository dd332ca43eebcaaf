#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <utility>
#include <vector>

#include "main/MainWindowPort.h"

// Records what the dialogue asks of the window. With keepHistory off (the
// benchmarks) it holds only the current state, not every caption write and
// status message.
class FakeWindow : public MainWindowPort {
public:
    void setFunctionKeyCaption(int item, const QString& caption) override;
    void setInputEnabled(bool enabled) override { inputEnabled = enabled; }
    void focusInput() override { ++focusCount; }
    void setInputFont(const FontSpec& font) override { inputFont = font; }
    QString inputText() const override { return input; }
    void setInputText(const QString& text) override { input = text; }
    void showStatus(const QString& message) override;
    void alertUser() override { ++alertCount; }
    void announceMention(const QString& handle, const QString& message) override
    {
        mentions.append(handle + u'>' + message);
    }
    void showWarning(const QString& message) override;
    void openSettingsDialog() override { ++settingsDialogCount; }
    void exitApplication() override { ++exitCount; }

    // The bar as shown, and every caption write in order (item, caption).
    std::array<QString, 12> captions;
    std::vector<std::pair<int, QString>> captionWrites;

    bool keepHistory = true;
    bool inputEnabled = false;
    int focusCount = 0;
    FontSpec inputFont;
    QString input;
    QStringList statuses;
    QString status;  // the last one, kept with or without the history
    QStringList warnings;
    int settingsDialogCount = 0;
    int alertCount = 0;
    QStringList mentions;  // "handle>message"
    int exitCount = 0;
};
