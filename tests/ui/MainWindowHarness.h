#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <cmath>
#include <memory>
#include <vector>

#include "common/MemorySettingsStore.h"
#include "common/SettingsStore.h"
#include "common/modZkCommon.h"
#include "main/qt/frmMain.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"

// Readable failure messages for Qt text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// One QApplication for the whole test program.
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "main_window_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

// A store in memory that also records every key written and every flush,
// so a test can tell "written once" from "written twice".
class RecordingStore final : public SettingsStore {
public:
    QString get(const QString& app, const QString& section, const QString& key,
                const QString& fallback) const override
    {
        return inner.get(app, section, key, fallback);
    }
    void save(const QString& app, const QString& section, const QString& key,
              const QString& text) override
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
        inner.save(modZkCommon::AppName(), QStringLiteral("Default"), key, value);
    }
    QString value(const QString& key) const
    {
        return inner.get(modZkCommon::AppName(), QStringLiteral("Default"), key, QString());
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
        window = std::make_unique<frmMain>(store, socket, time);
        window->setExitHandler([this](int code) { exits.push_back(code); });
        window->setSettingsDialogHandler([this] { ++settingsDialogs; });
    }

    // The window load, then shown and made active, as at start-up.
    void start()
    {
        if (!window)
            create();
        window->Form_Load();
        window->show();
        QApplication::setActiveWindow(window.get());
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    static double dpi() { return QGuiApplication::primaryScreen()->logicalDotsPerInch(); }
    static int px(double twips) { return int(std::lround(twips * dpi() / 1440.0)); }
    static double twips(int px) { return px * 1440.0 / dpi(); }

    RecordingStore store;
    FakeSocket socket;
    FakeTimeSource time;
    std::unique_ptr<frmMain> window;
    std::vector<int> exits;
    int settingsDialogs = 0;
};
