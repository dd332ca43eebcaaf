// Qt's own texts follow a Japanese locale, and only a Japanese one.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>
#include <QTranslator>

#include "main/qt/QtTranslations.h"
#include "support/PrintQString.h"

namespace {

QString undoText()
{
    return QCoreApplication::translate("QLineEdit", "&Undo");
}

TEST(QtTranslationsTest, LoadedForAJapaneseLocaleOnly)
{
    struct Case {
        const char* locale;
        bool japanese;
    };
    for (const Case c : {Case{"ja_JP", true}, Case{"ja", true}, Case{"en_US", false}, Case{"de_DE", false},
                         Case{"C", false}, Case{"zh_CN", false}}) {
        SCOPED_TRACE(c.locale);
        QTranslator* installed = QtTranslations::install(QLocale(QLatin1String(c.locale)));
        EXPECT_EQ(installed != nullptr, c.japanese);
        if (c.japanese) {
            // The input line's context menu, as Debian's qtbase_ja has it.
            EXPECT_NE(undoText(), u"&Undo");
            EXPECT_TRUE(undoText().contains(u"元に戻す")) << undoText().toStdString();
        } else {
            EXPECT_EQ(undoText(), u"&Undo");
        }
        QCoreApplication::removeTranslator(installed);
        delete installed;
        EXPECT_EQ(undoText(), u"&Undo");
    }
}

// Set in the child processes that start under a given environment.
constexpr char kExpectJapanese[] = "ZKT_EXPECT_QT_JAPANESE";

// The locale as the desktop session sets it: LANG, LC_ALL, and LANGUAGE
// with the user's preferred languages first.
TEST(QtTranslationsTest, FollowsTheSessionsLocale)
{
    if (qEnvironmentVariableIsSet(kExpectJapanese)) {
        QTranslator* installed = QtTranslations::install(QLocale::system());
        EXPECT_EQ(installed != nullptr, qEnvironmentVariableIntValue(kExpectJapanese) == 1);
        EXPECT_EQ(undoText() != u"&Undo", installed != nullptr);
        return;
    }
    struct Case {
        const char* lang;
        const char* language;
        bool japanese;
    };
    for (const Case c : {Case{"ja_JP.UTF-8", nullptr, true}, Case{"C.UTF-8", "ja:en", true},
                         Case{"en_US.UTF-8", nullptr, false}, Case{"C.UTF-8", "en:ja", false}}) {
        SCOPED_TRACE(std::string(c.lang) + " " + (c.language ? c.language : "-"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LANG"), QLatin1String(c.lang));
        if (c.language)
            env.insert(QStringLiteral("LANGUAGE"), QLatin1String(c.language));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QLatin1String(kExpectJapanese), c.japanese ? QStringLiteral("1") : QStringLiteral("0"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=QtTranslationsTest.FollowsTheSessionsLocale")});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    }
}

}  // namespace
