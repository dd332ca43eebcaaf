#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStringList>

#include <cmath>
#include <memory>
#include <vector>

#include "common/MemorySettingsStore.h"
#include "common/SettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "main/qt/MainWindow.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"
#include "support/PrintQString.h"
#include "support/qt/EventWait.h"

// Runs this test program again in a child process at a device pixel ratio
// of 2, with `marker` set in its environment, and expects `passed` (the
// summary line GoogleTest prints when all tests passed) in its output.
// Scaling is fixed when the application starts, hence the child.
inline void expectChildPassesAtScaleFactorTwo(const char* marker, const QStringList& arguments,
                                              const QString& passed)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QString::fromLatin1(marker), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(passed)) << output.toStdString();
}

// The body of a test that reruns the program at a device pixel ratio of 2:
// in the child, where `marker` is set, it checks the ratio took; in the
// parent it runs the child as expectChildPassesAtScaleFactorTwo() does.
inline void checkAtScaleFactorTwo(const char* marker, const QStringList& arguments, const QString& passed)
{
    if (qEnvironmentVariableIsSet(marker)) {
        EXPECT_DOUBLE_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
        return;
    }
    expectChildPassesAtScaleFactorTwo(marker, arguments, passed);
}

// A store in memory that also records every key written and every flush,
// so a test can tell "written once" from "written twice".
class RecordingStore final : public SettingsStore {
public:
    QString get(const QString& app, const QString& section, const QString& key,
                const QString& fallback) const override
    {
        return inner.get(app, section, key, fallback);
    }
    void save(const QString& app, const QString& section, const QString& key, const QString& text) override
    {
        written.append(key);
        inner.save(app, section, key, text);
    }
    void deleteSection(const QString& app, const QString& section) override
    {
        inner.deleteSection(app, section);
    }
    bool flush() override { return inner.flush(); }
    QString lastError() const override { return inner.lastError(); }

    // A value as the user or an earlier run left it.
    void put(const QString& key, const QString& value)
    {
        inner.save(SettingsLookup::appName(), QStringLiteral("Default"), key, value);
    }
    QString value(const QString& key) const
    {
        return inner.get(SettingsLookup::appName(), QStringLiteral("Default"), key, QString());
    }
    int flushes() const { return inner.flushCount(); }

    MemorySettingsStore inner;
    QStringList written;
};

// The main window over fakes: settings in memory, a scripted socket, time
// in the test's hand. Exit and the settings dialog are recorded unless a
// test lets them run.
class MainWindowTestBase : public ::testing::Test {
protected:
    void TearDown() override { window.reset(); }

    void create()
    {
        window = std::make_unique<MainWindow>(store, socket, time);
        window->setExitHandler([this](int code) { exits.push_back(code); });
        window->setSettingsDialogHandler([this] { ++settingsDialogs; });
    }

    // The window load, then shown and made active, as at start-up.
    void start()
    {
        if (!window)
            create();
        window->load();
        window->show();
        QApplication::setActiveWindow(window.get());
        settle();
    }

    static double dpi() { return QGuiApplication::primaryScreen()->logicalDotsPerInch(); }
    static int px(double twips) { return int(std::lround(twips * dpi() / 1440.0)); }
    static double twips(int px) { return px * 1440.0 / dpi(); }

    RecordingStore store;
    FakeSocket socket;
    FakeTimeSource time;
    std::unique_ptr<MainWindow> window;
    std::vector<int> exits;
    int settingsDialogs = 0;
};
