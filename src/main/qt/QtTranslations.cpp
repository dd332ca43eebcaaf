#include "main/qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace QtTranslations {

bool wantsJapanese(const QLocale& locale)
{
    if (locale.language() == QLocale::Japanese)
        return true;
    const QStringList languages = locale.uiLanguages();
    return !languages.isEmpty() && languages.first().startsWith(QLatin1String("ja"));
}

QTranslator* install(const QLocale& locale)
{
    if (!wantsJapanese(locale) || !QCoreApplication::instance())
        return nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_ja"), folder)) {
        // Qt's texts stay in English; the window's own are Japanese anyway.
        qWarning("Qt's Japanese translation (qtbase_ja) was not found in %s", qUtf8Printable(folder));
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

}  // namespace QtTranslations
