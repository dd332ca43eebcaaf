// Where the main window opens and what it stores when it ends.

#include <QKeyEvent>
#include <QLineEdit>

#include "controls/qt/SpreadGrid.h"

#include <optional>
#include <vector>

#include "main/DialogueSession.h"
#include "ui/MainWindowHarness.h"

namespace {

// Set in the child process that reruns these tests at scale factor 2.
constexpr char kScaledRun[] = "ZKT_SCALED_PLACEMENT_RUN";

const QString kTop = QStringLiteral("RecFormTop");
const QString kLeft = QStringLiteral("RecFormLeft");
const QString kHeight = QStringLiteral("RecFormHeight");
const QString kWidth = QStringLiteral("RecFormWidth");
const QStringList kPlacementKeys{kTop, kLeft, kHeight, kWidth};

// A placement as the store holds it, in text; null: not stored.
struct StoredPlacement {
    const char* top = nullptr;
    const char* left = nullptr;
    const char* height = nullptr;
    const char* width = nullptr;
};

class MainWindowPlacementTest : public MainWindowTestBase {
protected:
    static QRect screen() { return QGuiApplication::primaryScreen()->geometry(); }

    // The outer rectangle that stored twips give, in pixels of the screen.
    static QRect outerFromTwips(double left, double top, double width, double height)
    {
        return QRect(screen().left() + px(left), screen().top() + px(top), px(width), px(height));
    }

    void storePlacement(const StoredPlacement& placement)
    {
        const std::pair<QString, const char*> values[] = {{kTop, placement.top},
                                                          {kLeft, placement.left},
                                                          {kHeight, placement.height},
                                                          {kWidth, placement.width}};
        for (const auto& [key, value] : values)
            if (value)
                store.put(key, QString::fromUtf8(value));
    }

    // Starts with "ScreenSave" on and `placement` stored; returns where the
    // window opened.
    QRect startSaving(const StoredPlacement& placement = {})
    {
        store.put(u"ScreenSave"_qs, u"True"_qs);
        storePlacement(placement);
        start();
        return window->frameGeometry();
    }

    // A new window in place of the old one, as at the next run; returns where
    // it opened.
    QRect reopen()
    {
        window.reset();
        start();
        return window->frameGeometry();
    }

    void pressExit()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F8, Qt::NoModifier);
        QApplication::sendEvent(window->terminalView(), &press);
    }

    // The four stored values, in the order top, left, height, width.
    std::vector<QString> stored() const
    {
        std::vector<QString> values;
        for (const QString& key : kPlacementKeys)
            values.push_back(store.value(key));
        return values;
    }

    static std::vector<QString> twipsOf(const QRect& outer)
    {
        const auto text = [](int pixels) { return QString::number(std::lround(twips(pixels))); };
        return {text(outer.top() - screen().top()), text(outer.left() - screen().left()),
                text(outer.height()), text(outer.width())};
    }
};

// --- Load -------------------------------------------------------------------

TEST_F(MainWindowPlacementTest, OpensWhereTheStoreSays)
{
    const double sw = twips(screen().width());
    const double sh = twips(screen().height());
    const double w3 = sw / 3 * 2;
    const double h3 = sh / 3 * 2;
    const QRect centred = outerFromTwips(sw / 2 - w3 / 2, sh / 2 - h3 / 2, w3, h3);
    struct Case {
        const char* name;
        StoredPlacement placement;
        QRect expected;
    };
    const Case cases[] = {
        {"empty store: two thirds, centred", {}, centred},
        {"all four", {"1500", "600", "4000", "5000"}, outerFromTwips(600, 1500, 5000, 4000)},
        {"only the width", {.width = "4500"}, outerFromTwips(sw / 2 - 2250, sh / 2 - h3 / 2, 4500, h3)},
        {"only the height", {.height = "3000"}, outerFromTwips(sw / 2 - w3 / 2, sh / 2 - 1500, w3, 3000)},
        {"-1 is nothing stored", {"-1", "-1", "-1", "-1"}, centred},
        {"text that is no number is nothing stored", {"abc", "12x", "", " "}, centred},
        // 22.5 twips to the even 22 is one pixel; 23 would be two.
        {"fractions round halves to even",
         {"37.5", "22.5", "3000.4", "4499.5"},
         outerFromTwips(22, 38, 4500, 3000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        store.inner = MemorySettingsStore();
        storePlacement(c.placement);
        start();
        EXPECT_EQ(window->frameGeometry(), c.expected);
        EXPECT_TRUE(store.written.isEmpty());  // loading writes nothing
    }
}

// A placement stored on a larger screen or at a smaller scale opens within
// the screen's available area, as large as fits; what fits stays as stored.
TEST_F(MainWindowPlacementTest, APlacementIsFittedIntoTheScreen)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const double aw = twips(available.width()), ah = twips(available.height());
    struct Case {
        const char* name;
        double top, left, height, width;
    };
    const Case cases[] = {
        {"too large for the screen", 300, 450, ah * 2, aw * 2.5},
        {"past the right and bottom edges", ah - 1500, aw - 1500, 3000, 4000},
        {"past the left and top edges", -3000, -4500, 3000, 4000},
        {"on a screen since removed", 90000, -90000, 3000, 4000},
        {"exactly the screen", 0, 0, ah, aw},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        store.inner = MemorySettingsStore();
        const auto text = [](double v) { return QString::number(std::lround(v)); };
        for (const auto& [key, value] :
             {std::pair{kTop, c.top}, {kLeft, c.left}, {kHeight, c.height}, {kWidth, c.width}})
            store.put(key, text(value));
        start();
        const QRect outer = window->frameGeometry();
        EXPECT_TRUE(available.contains(outer))
            << outer.x() << "," << outer.y() << " " << outer.width() << "x" << outer.height();
        EXPECT_EQ(outer.width(), std::min(px(std::lround(c.width)), available.width()));
        EXPECT_EQ(outer.height(), std::min(px(std::lround(c.height)), available.height()));
        EXPECT_TRUE(window->inputLine()->isVisible());
        EXPECT_TRUE(store.written.isEmpty());
    }
}

// The fitting is for this screen only: closing a fitted window that the
// user has not moved or resized keeps the placement as it was stored.
TEST_F(MainWindowPlacementTest, AFittedPlacementIsStoredAgainOnlyWhenTheUserChangesIt)
{
    const QRect fitted = startSaving({"-3000", "90000", "40000", "50000"});
    window->close();
    EXPECT_EQ(stored(), (std::vector<QString>{u"-3000"_qs, u"90000"_qs, u"40000"_qs, u"50000"_qs}));

    EXPECT_EQ(reopen(), fitted);
    window->resize(window->width() / 2, window->height() / 2);
    settle();
    const QRect resized = window->frameGeometry();
    window->close();
    EXPECT_EQ(stored(), twipsOf(resized));
}

// --- Save -------------------------------------------------------------------

TEST_F(MainWindowPlacementTest, ClosingStoresTheOuterRectangleOnceAndFlushes)
{
    startSaving();
    window->move(screen().topLeft() + QPoint(40, 30));
    window->resize(420, 310);
    settle();
    const QRect outer = window->frameGeometry();
    window->close();
    EXPECT_EQ(store.written, kPlacementKeys);  // in this order, once each
    EXPECT_EQ(stored(), twipsOf(outer));
    EXPECT_EQ(store.flushes(), 1);
    EXPECT_TRUE(exits.empty());
}

TEST_F(MainWindowPlacementTest, MaximisedStoresTheMaximisedRectangle)
{
    const QRect normal = startSaving({"1500", "600", "4000", "5000"});
    window->showMaximized();
    settle();
    ASSERT_TRUE(window->isMaximized());
    const QRect maximised = window->frameGeometry();
    ASSERT_NE(maximised, normal);
    window->close();
    EXPECT_EQ(stored(), twipsOf(maximised));

    // The next start applies it as any stored placement, as a normal window.
    EXPECT_EQ(reopen(), maximised);
    EXPECT_FALSE(window->isMaximized());
}

TEST_F(MainWindowPlacementTest, NothingIsWrittenWhenMinimisedOrNotAskedFor)
{
    struct Case {
        const char* name;
        const char* screenSave;
        bool minimise;
    };
    for (const Case c : {Case{"minimised", "True", true}, Case{"ScreenSave off", "False", false},
                         Case{"ScreenSave absent", nullptr, false}}) {
        SCOPED_TRACE(c.name);
        window.reset();
        store.inner = MemorySettingsStore();
        store.written.clear();
        if (c.screenSave)
            store.put(u"ScreenSave"_qs, QString::fromUtf8(c.screenSave));
        storePlacement({"1500", "600", "4000", "5000"});
        start();
        window->move(window->pos() + QPoint(25, 25));
        if (c.minimise) {
            window->showMinimized();
            settle();
            ASSERT_TRUE(window->isMinimized());
        }
        window->close();
        EXPECT_TRUE(store.written.isEmpty());
        EXPECT_EQ(stored(), (std::vector<QString>{u"1500"_qs, u"600"_qs, u"4000"_qs, u"5000"_qs}));

        // The earlier placement still applies at the next start.
        EXPECT_EQ(reopen(), outerFromTwips(600, 1500, 5000, 4000));
    }
}

TEST_F(MainWindowPlacementTest, ExitKeyStoresOnceFlushesAndEndsWithoutTheCloseStoringAgain)
{
    const QRect outer = startSaving();
    pressExit();
    EXPECT_EQ(store.written, kPlacementKeys);
    EXPECT_EQ(stored(), twipsOf(outer));
    EXPECT_EQ(store.flushes(), 1);
    EXPECT_EQ(exits, std::vector<int>{0});

    window->move(window->pos() + QPoint(10, 10));
    window->close();
    EXPECT_EQ(store.written, kPlacementKeys);
    EXPECT_EQ(store.flushes(), 1);
}

TEST_F(MainWindowPlacementTest, ExitKeyWithScreenSaveOffWritesNothingButStillEnds)
{
    start();
    pressExit();
    EXPECT_TRUE(store.written.isEmpty());
    EXPECT_EQ(exits, std::vector<int>{0});
}

// Each run stores the rectangle the next run opens with: over several
// runs the window neither grows by its frame nor creeps across the screen.
TEST_F(MainWindowPlacementTest, SeveralRunsNeitherGrowNorDrift)
{
    struct Case {
        const char* name;
        StoredPlacement placement;
    };
    for (const Case& c : {Case{"first start", {}}, Case{"stored", {"1515", "2985", "4470", "6045"}}}) {
        SCOPED_TRACE(c.name);
        window.reset();
        store.inner = MemorySettingsStore();
        store.put(u"ScreenSave"_qs, u"True"_qs);
        storePlacement(c.placement);
        std::optional<std::vector<QString>> first;
        std::optional<QRect> firstOuter;
        for (int run = 0; run < 4; ++run) {
            const QRect outer = reopen();
            window->close();
            if (!first) {
                first = stored();
                firstOuter = outer;
            }
            EXPECT_EQ(stored(), *first) << "run " << run;
            EXPECT_EQ(outer, *firstOuter) << "run " << run;
        }
    }
}

// The same placements at a device pixel ratio of 2: twips go through the
// logical DPI alone, never through the ratio.
TEST(MainWindowPlacementScaled, PlacementHoldsAtScaleFactorTwo)
{
    checkAtScaleFactorTwo(kScaledRun, {}, QStringLiteral("[  PASSED  ] 10 tests"));
}

}  // namespace
