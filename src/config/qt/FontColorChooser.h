#pragma once

#include <optional>

#include <QString>
#include <QtGlobal>

#include "common/FontSpec.h"

class QWidget;

// What the font dialog returns: the size is a real number of points.
struct FontChoice {
    QString name;
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
};

// The font, colour and folder dialogs of the settings dialog. A cancel comes back
// as an empty result.
class FontColorChooser {
public:
    virtual ~FontColorChooser() = default;
    virtual std::optional<FontChoice> chooseFont(const FontSpec& initial, QWidget* parent) = 0;
    // Colours are 0x00BBGGRR.
    virtual std::optional<qint32> chooseColor(qint32 initialBgr, QWidget* parent) = 0;
    // The standard folder chooser, opened at `initial`.
    virtual std::optional<QString> chooseFolder(const QString& initial, QWidget* parent) = 0;
};

// The platform's standard font and colour dialogs.
class StandardFontColorChooser : public FontColorChooser {
public:
    std::optional<FontChoice> chooseFont(const FontSpec& initial, QWidget* parent) override;
    std::optional<qint32> chooseColor(qint32 initialBgr, QWidget* parent) override;
    std::optional<QString> chooseFolder(const QString& initial, QWidget* parent) override;
};
