// readSetting's fallbacks, writeSetting's "Init", and loadSettings /
// saveSettings over the key table, against the in-memory store.
#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <QStringList>

#include <ostream>
#include <vector>

#include "common/AppSettings.h"
#include "common/MemorySettingsStore.h"
#include "common/SettingsTable.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "support/PrintQString.h"

namespace {

using SettingsLookup::appName;
using SettingsLookup::loadSettings;
using SettingsLookup::readSetting;
using SettingsLookup::saveSettings;
using SettingsLookup::writeSetting;

struct Stored {
    QString section;
    QString key;
    QString value;
};

// A store's content, the section named (empty: none) and what is expected
// of the two.
struct SectionCase {
    const char* what;
    std::vector<Stored> stored;
    QString section;
    QString expected;
};

MemorySettingsStore storeWith(const std::vector<Stored>& values)
{
    MemorySettingsStore store;
    for (const Stored& v : values)
        store.save(appName(), v.section, v.key, v.value);
    return store;
}

TEST(SettingsLookup, ApplicationNameCarriesTheMajorVersion)
{
    EXPECT_EQ(appName(), QStringLiteral("ZKT_1"));
}

TEST(SettingsLookup, FallbackOrder)
{
    const QString D = QStringLiteral("Default");
    const QString M = QStringLiteral("Default-Mst");
    const QString O = QStringLiteral("Other");
    const QString OM = QStringLiteral("Other-Mst");
    const std::vector<SectionCase> cases = {
        {"absent everywhere gives the default", {}, {}, "def"},
        {"Default", {{D, "K", "d"}}, {}, "d"},
        {"Default-Mst when Default lacks the key", {{M, "K", "m"}}, {}, "m"},
        {"Default wins over Default-Mst", {{D, "K", "d"}, {M, "K", "m"}}, {}, "d"},
        {"Error in Default counts as absent", {{D, "K", "Error"}, {M, "K", "m"}}, {}, "m"},
        {"Error in Default and nothing else", {{D, "K", "Error"}}, {}, "def"},
        {"Error in Default-Mst is returned", {{M, "K", "Error"}}, {}, "Error"},
        {"Error test is case-sensitive", {{D, "K", "error"}, {M, "K", "m"}}, {}, "error"},
        {"stored empty text is present", {{D, "K", ""}, {M, "K", "m"}}, {}, ""},
        {"key in another section only", {{O, "K", "o"}}, {}, "def"},
        {"keys compare without letter case", {{D, "k", "d"}}, {}, "d"},
        {"named section first", {{O, "K", "o"}, {OM, "K", "om"}, {D, "K", "d"}}, O, "o"},
        {"then its -Mst", {{OM, "K", "om"}, {D, "K", "d"}}, O, "om"},
        {"then Default", {{D, "K", "d"}, {M, "K", "m"}}, O, "d"},
        {"then Default-Mst", {{M, "K", "m"}}, O, "m"},
        {"Error in the section and its -Mst", {{O, "K", "Error"}, {OM, "K", "Error"}, {D, "K", "d"}}, O, "d"},
        {"empty text in the section is present", {{O, "K", ""}, {D, "K", "d"}}, O, ""},
        {"section names compare without letter case",
         {{QStringLiteral("default"), "K", "x"}},
         QStringLiteral("DEFAULT"),
         "x"},
        {"fallback section names too", {{QStringLiteral("default-mst"), "K", "m"}}, {}, "m"},
        {"explicit Default", {{D, "K", "d"}}, D, "d"},
    };
    for (const SectionCase& c : cases) {
        SCOPED_TRACE(c.what);
        const MemorySettingsStore store = storeWith(c.stored);
        const QString key = QStringLiteral("K");
        const QString def = QStringLiteral("def");
        EXPECT_EQ(c.section.isEmpty() ? readSetting(store, key, def)
                                      : readSetting(store, key, def, c.section),
                  c.expected);
    }
}

TEST(SettingsLookup, EmptyKeyReadsNothingAndWritesNothing)
{
    MemorySettingsStore store = storeWith({{"Default", "", "stored"}, {"Default-Mst", "", "m"}});
    EXPECT_EQ(readSetting(store, QString(), QStringLiteral("def")), QString());

    MemorySettingsStore empty;
    writeSetting(empty, QString(), QStringLiteral("v"));
    EXPECT_FALSE(empty.hasSection(appName(), QStringLiteral("Default")));
}

TEST(SettingsLookup, OmittedDefaultIsEmptyText)
{
    const MemorySettingsStore store;
    EXPECT_EQ(readSetting(store, QStringLiteral("UserID")), QString());
}

TEST(SettingsLookup, WriteSettingStoresInDefaultOrTheNamedSection)
{
    MemorySettingsStore store;
    writeSetting(store, QStringLiteral("RecFormTop"), QStringLiteral("-1"));
    writeSetting(store, QStringLiteral("K"), QStringLiteral(" v "), QStringLiteral("Other"));
    EXPECT_EQ(store.get(appName(), "Default", "RecFormTop", "absent"), QStringLiteral("-1"));
    EXPECT_EQ(store.get(appName(), "Other", "K", "absent"), QStringLiteral(" v "));
}

TEST(SettingsLookup, FallbackSectionsAreNeverWritten)
{
    MemorySettingsStore store = storeWith({{"Default-Mst", "K", "m"}});
    writeSetting(store, QStringLiteral("K"), QStringLiteral("x"), QStringLiteral("Default-Mst"));
    writeSetting(store, QStringLiteral("Init"), QString(), QStringLiteral("Default-Mst"));
    EXPECT_EQ(store.get(appName(), "Default-Mst", "K", "absent"), QStringLiteral("m"));
}

// As in the settings file, "[default]" is "[Default]" and "userid" is
// "UserID"; a save keeps the stored spelling, and no spelling of a fallback
// section is ever written.
TEST(SettingsLookup, NamesCompareWithoutLetterCase)
{
    MemorySettingsStore store = storeWith({{"default", "userid", "taro"}, {"DEFAULT-MST", "port", "2323"}});
    EXPECT_EQ(readSetting(store, QStringLiteral("UserID")), QStringLiteral("taro"));
    EXPECT_EQ(readSetting(store, QStringLiteral("Port")), QStringLiteral("2323"));
    writeSetting(store, QStringLiteral("UserID"), QStringLiteral("jiro"));
    EXPECT_EQ(store.keys(appName(), "Default"), QStringList{"userid"});
    EXPECT_EQ(readSetting(store, QStringLiteral("USERID")), QStringLiteral("jiro"));
    writeSetting(store, QStringLiteral("K"), QStringLiteral("x"), QStringLiteral("default-mst"));
    EXPECT_EQ(store.get(appName(), "Default-Mst", "K", "absent"), QStringLiteral("absent"));
}

TEST(SettingsLookup, InitEmptiesOnlyItsSection)
{
    // Expected: the section emptied.
    const std::vector<SectionCase> cases = {
        {"Default with keys",
         {{"Default", "A", "1"}, {"Default", "B", "2"}, {"Default-Mst", "A", "m"}},
         {},
         "Default"},
        {"Default absent before", {{"Default-Mst", "A", "m"}}, {}, "Default"},
        {"named section",
         {{"Other", "A", "1"}, {"Default", "A", "d"}, {"Default-Mst", "A", "m"}},
         "Other",
         "Other"},
    };
    for (const SectionCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettingsStore store = storeWith(c.stored);
        if (c.section.isEmpty())
            writeSetting(store, QStringLiteral("Init"));
        else
            writeSetting(store, QStringLiteral("Init"), QString(), c.section);
        EXPECT_FALSE(store.hasSection(appName(), c.expected));
        EXPECT_EQ(store.get(appName(), "Default-Mst", "A", "absent"), QStringLiteral("m"));
        if (c.expected != QLatin1String("Default")) {
            EXPECT_EQ(store.get(appName(), "Default", "A", "absent"), QStringLiteral("d"));
        }
    }
}

TEST(SettingsLookup, InitThenLoadGivesDefaultsOrFallbackValues)
{
    MemorySettingsStore store;
    AppSettings changed;
    changed.ConnectionPort = 2323;
    changed.HandleSuffix = QStringLiteral("様");
    saveSettings(store, changed);
    store.save(appName(), "Default-Mst", "HandleSuffix", QStringLiteral("君"));

    writeSetting(store, QStringLiteral("Init"));
    AppSettings loaded;
    EXPECT_TRUE(loadSettings(store, loaded).ok());
    AppSettings expected;
    expected.HandleSuffix = QStringLiteral("君");
    EXPECT_EQ(loaded, expected);
}

TEST(SettingsLoad, EmptyStoreGivesTheDocumentedDefaults)
{
    AppSettings record;
    record.UserID = QStringLiteral("left over");
    record.ConnectionPort = 1;
    const MemorySettingsStore store;
    EXPECT_TRUE(loadSettings(store, record).ok());

    EXPECT_FALSE(record.GuestFlag);
    EXPECT_EQ(record.UserID, QString());
    EXPECT_EQ(record.Password, QString());
    EXPECT_EQ(record.HandleName, QString());
    EXPECT_EQ(record.ConnectionAddress, QStringLiteral("localhost"));
    EXPECT_EQ(record.ConnectionPort, 23);
    EXPECT_EQ(record.Luminosity, 13);
    EXPECT_EQ(record.HandleSuffix, QStringLiteral("さん"));
    EXPECT_FALSE(record.LocalEcho);
    EXPECT_TRUE(record.AutoChangeWindow);
    EXPECT_TRUE(record.AutoGetHandleName);
    EXPECT_FALSE(record.ScreenSave);
    EXPECT_FALSE(record.ChangeMyColor);
    EXPECT_EQ(record.MyColor, 0);
    EXPECT_EQ(record.FontName, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(record.FontSize, 10);
    EXPECT_FALSE(record.FontBold);
    EXPECT_FALSE(record.FontItalic);
    EXPECT_FALSE(record.SaveLog);
    EXPECT_TRUE(record.LogFolder.endsWith(QStringLiteral("/ZKT/logs")));
    EXPECT_EQ(record.LogLines, 0);
    EXPECT_TRUE(record.NotifyMention);
    EXPECT_FALSE(record.AutoReconnect);
    EXPECT_TRUE(record.ReadableColors);
}

TEST(SettingsLoad, LogFolderFollowsTheDataHome)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(defaultLogFolder(), QStringLiteral("/srv/data/ZKT/logs"));
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(defaultLogFolder(), QDir::homePath() + QStringLiteral("/.local/share/ZKT/logs"));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(defaultLogFolder(), QDir::homePath() + QStringLiteral("/.local/share/ZKT/logs"));
    if (!saved.isNull())
        qputenv("XDG_DATA_HOME", saved);
}

TEST(SettingsLoad, FallbackValueUntilDefaultHoldsTheKey)
{
    MemorySettingsStore store = storeWith({{"Default-Mst", "ConnectionPort", "2323"}});
    AppSettings record;
    loadSettings(store, record);
    EXPECT_EQ(record.ConnectionPort, 2323);
    writeSetting(store, QStringLiteral("ConnectionPort"), QStringLiteral("8023"));
    loadSettings(store, record);
    EXPECT_EQ(record.ConnectionPort, 8023);
}

struct ConversionCase {
    QString key;
    QString stored;
    QString loaded;  // the field afterwards, in stored form
    bool converts;
};

const std::vector<ConversionCase> kConversionCases = {
    {"ConnectionPort", "8023", "8023", true},
    {"ConnectionPort", " 8023 ", "8023", true},
    {"ConnectionPort", "12.5", "12", true},
    {"ConnectionPort", "13.5", "14", true},
    {"ConnectionPort", "12.51", "13", true},
    {"ConnectionPort", "65535", "65535", true},
    {"ConnectionPort", "1", "1", true},
    {"ConnectionPort", "0", "23", false},
    {"ConnectionPort", "65536", "23", false},
    {"ConnectionPort", "-23", "23", false},
    {"ConnectionPort", "abc", "23", false},
    {"ConnectionPort", "23abc", "23", false},
    {"ConnectionPort", "", "23", false},
    {"ConnectionPort", "99999999999", "23", false},
    {"ConnectionPort", "inf", "23", false},
    {"ConnectionPort", "nan", "23", false},
    {"Luminosity", "0", "0", true},
    {"Luminosity", "-0.5", "0", true},
    {"Luminosity", "2175", "2175", true},
    {"Luminosity", "2176", "13", false},
    {"Luminosity", "-1", "13", false},
    {"MyColor", "16777215", "16777215", true},
    {"MyColor", "16777216", "0", false},
    {"MyColor", "-1", "0", false},
    {"FontSize", "10.5", "10", true},
    {"FontSize", "11.5", "12", true},
    {"FontSize", "0", "10", false},
    {"FontSize", "-12", "10", false},
    {"GuestFlag", "True", "True", true},
    {"GuestFlag", "TRUE", "True", true},
    {"GuestFlag", "tRuE", "True", true},
    {"GuestFlag", "-1", "True", true},
    {"GuestFlag", "2.5", "True", true},
    {"GuestFlag", "maybe", "False", false},
    {"GuestFlag", "", "False", false},
    {"ReadableColors", "False", "False", true},
    {"ReadableColors", "0", "False", true},
    {"ReadableColors", "maybe", "True", false},
    {"AutoChangeWindow", "False", "False", true},
    {"AutoChangeWindow", "fAlSe", "False", true},
    {"AutoChangeWindow", "0", "False", true},
    {"AutoChangeWindow", "0.0", "False", true},
    {"AutoChangeWindow", "yes", "True", false},
    {"HandleSuffix", "", "", true},
    {"ConnectionAddress", " board.example ", " board.example ", true},
    {"FontName", "Error", "ＭＳ ゴシック", true},
    {"HandleName", QStringLiteral("太郎, \"次郎\""), QStringLiteral("太郎, \"次郎\""), true},
    // A line break in text sent to the host would answer two prompts.
    {"UserID", "ali\r\nce", "", false},
    {"UserID", "ali\rce", "", false},
    {"Password", "pass\nword", "", false},
    {"HandleName", "\r", "", false},
    {"HandleSuffix", "さん\n", QStringLiteral("さん"), false},
    {"UserID", "ali\tce", "ali\tce", true},
    {"FontName", "Mono\nSpace", "Mono\nSpace", true},
    {"LogLines", "99999", "99999", true},
    {"LogLines", "100000", "0", false},
    {"LogLines", "-1", "0", false},
    {"LogLines", "ten", "0", false},
    {"SaveLog", "yes", "False", false},
    {"NotifyMention", "0", "False", true},
    {"AutoReconnect", "1", "True", true},
};

TEST(SettingsLoad, Conversions)
{
    for (const ConversionCase& c : kConversionCases) {
        SCOPED_TRACE((c.key + QLatin1Char('=') + c.stored).toStdString());
        const MemorySettingsStore store = storeWith({{"Default", c.key, c.stored}});
        AppSettings record;
        const SettingsLookup::LoadReport report = loadSettings(store, record);
        const SettingsTable::Field* field = SettingsTable::find(c.key);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(SettingsTable::storedText(*field, record), c.loaded);
        EXPECT_EQ(report.unconvertible, c.converts ? QStringList() : QStringList{c.key});
    }
}

TEST(SettingsLoad, EveryUnconvertibleKeyIsReportedOnceInFieldOrder)
{
    const MemorySettingsStore store = storeWith({{"Default", "FontSize", "big"},
                                                 {"Default", "ConnectionPort", "abc"},
                                                 {"Default", "GuestFlag", "maybe"},
                                                 {"Default", "Luminosity", "7"}});
    AppSettings record;
    const SettingsLookup::LoadReport report = loadSettings(store, record);
    EXPECT_EQ(report.unconvertible, (QStringList{"GuestFlag", "ConnectionPort", "FontSize"}));
    EXPECT_EQ(record.Luminosity, 7);
    EXPECT_EQ(record.ConnectionPort, 23);
}

AppSettings unusualRecord()
{
    AppSettings r;
    r.GuestFlag = true;
    r.UserID = QStringLiteral("USER01");
    r.Password = QStringLiteral(" p,a=s;s ");
    r.HandleName = QStringLiteral("太郎");
    r.ConnectionAddress = QStringLiteral("board.example");
    r.ConnectionPort = 8023;
    r.Luminosity = 7;
    r.HandleSuffix = QString();
    r.LocalEcho = true;
    r.AutoChangeWindow = false;
    r.AutoGetHandleName = false;
    r.ScreenSave = true;
    r.ChangeMyColor = true;
    r.MyColor = 0x123456;
    r.FontName = QStringLiteral("IPAゴシック");
    r.FontSize = 12;
    r.FontBold = true;
    r.FontItalic = true;
    r.SaveLog = true;
    r.LogFolder = QStringLiteral("/var/tmp/zkt logs");
    r.LogLines = 500;
    r.NotifyMention = false;
    r.AutoReconnect = true;
    r.ReadableColors = false;
    return r;
}

TEST(SettingsSave, WritesEveryKeyInFieldOrderInStoredForm)
{
    MemorySettingsStore store;
    saveSettings(store, unusualRecord());
    const std::vector<std::pair<QString, QString>> expected = {
        {"GuestFlag", "True"},
        {"UserID", "USER01"},
        {"Password", " p,a=s;s "},
        {"HandleName", QStringLiteral("太郎")},
        {"ConnectionAddress", "board.example"},
        {"ConnectionPort", "8023"},
        {"Luminosity", "7"},
        {"HandleSuffix", ""},
        {"LocalEcho", "True"},
        {"AutoChangeWindow", "False"},
        {"AutoGetHandleName", "False"},
        {"ScreenSave", "True"},
        {"ChangeMyColor", "True"},
        {"MyColor", "1193046"},
        {"FontName", QStringLiteral("IPAゴシック")},
        {"FontSize", "12"},
        {"FontBold", "True"},
        {"FontItalic", "True"},
        {"HistoryMemoryLimitMB", "0"},
        {"SaveLog", "True"},
        {"LogFolder", "/var/tmp/zkt logs"},
        {"LogLines", "500"},
        {"NotifyMention", "False"},
        {"AutoReconnect", "True"},
        {"ReadableColors", "False"},
    };
    QStringList order;
    for (const auto& [key, text] : expected) {
        order << key;
        EXPECT_EQ(store.get(appName(), "Default", key, "absent"), text) << key.toStdString();
    }
    EXPECT_EQ(store.keys(appName(), "Default"), order);
    EXPECT_EQ(store.flushCount(), 1);
}

TEST(SettingsSave, RecordsRoundTrip)
{
    for (const AppSettings& record : {AppSettings{}, unusualRecord()}) {
        MemorySettingsStore store;
        saveSettings(store, record);
        AppSettings loaded = unusualRecord();
        if (record == loaded)
            loaded = AppSettings{};
        EXPECT_TRUE(loadSettings(store, loaded).ok());
        EXPECT_EQ(loaded, record);
    }
}

TEST(SettingsSave, FailingStoreReportsThroughLastError)
{
    MemorySettingsStore store;
    store.failWrites(QStringLiteral("disk full"));
    saveSettings(store, unusualRecord());
    EXPECT_EQ(store.lastError(), QStringLiteral("disk full"));
    EXPECT_FALSE(store.hasSection(appName(), "Default"));
}

}  // namespace
