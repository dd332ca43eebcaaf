#include "config/qt/FontColorChooser.h"

#include <QColor>
#include <QColorDialog>
#include <QFont>
#include <QFileDialog>
#include <QFontDialog>

std::optional<FontChoice> StandardFontColorChooser::chooseFont(const FontSpec& initial, QWidget* parent)
{
    QFont font(initial.name);
    if (initial.size > 0)
        font.setPointSize(initial.size);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (!ok)
        return std::nullopt;
    // A font given in pixels has no point size; keep the one it started with.
    const double size = chosen.pointSizeF() > 0 ? chosen.pointSizeF() : double(initial.size);
    return FontChoice{chosen.family(), size, chosen.bold(), chosen.italic()};
}

std::optional<qint32> StandardFontColorChooser::chooseColor(qint32 initialBgr, QWidget* parent)
{
    const QColor initial(initialBgr & 0xFF, (initialBgr >> 8) & 0xFF, (initialBgr >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return qint32(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
}

std::optional<QString> StandardFontColorChooser::chooseFolder(const QString& initial, QWidget* parent)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, QStringLiteral("保存先の設定"), initial);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}
