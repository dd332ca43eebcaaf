#include "controls/qt/Fonts.h"

#include <QStringList>

namespace Fonts {

void registerSubstitutions()
{
    const QStringList mono{QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                           QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")};
    const QStringList proportional{QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                   QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")};
    for (const QString& face : {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic")})
        QFont::insertSubstitutions(face, mono);
    for (const QString& face : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")})
        QFont::insertSubstitutions(face, proportional);
}

QFont toQFont(const FontSpec& wanted)
{
    QFont font(wanted.name);
    if (wanted.size > 0)
        font.setPointSize(wanted.size);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    return font;
}

QFont uiFont(double points)
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSizeF(points);
    return font;
}

}  // namespace Fonts
