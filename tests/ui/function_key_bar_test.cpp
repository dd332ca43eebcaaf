// The function-key bar: captions that fit their keys without ever being cut
// off, and no measuring for a caption that does not change.

#include <QFontMetricsF>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "controls/qt/FunctionKeyBar.h"
#include "main/DialogueSession.h"
#include "ui/MainWindowHarness.h"

namespace {

// Set in the child process that reruns these tests at scale factor 2.
constexpr char kScaledRun[] = "ZKT_SCALED_KEY_BAR_RUN";

const QString kChatCaptions[] = {
    u""_qs,       u"チャットアウト"_qs, u""_qs,   u"画面切替"_qs, u""_qs,    u""_qs,
    u"ヘルプ"_qs, u"終了"_qs,           u"F9"_qs, u"F10"_qs,      u"F11"_qs, u"F12"_qs};

// The width the key's style draws its text in.
int contentsWidth(const QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

// Every key shows its caption whole, or shortened with "…" and whole in its
// tooltip; what it shows fits the room its style gives the text.
void expectNoCaptionCutOff(const FunctionKeyBar& bar)
{
    for (int item = 0; item < FunctionKeyBar::kItems; ++item) {
        SCOPED_TRACE(item);
        const QPushButton* button = bar.button(item);
        const QString caption = bar.caption(item);
        EXPECT_LE(QFontMetricsF(button->font()).horizontalAdvance(button->text()),
                  std::max(0, contentsWidth(button)))
            << button->text().toStdString();
        if (button->text() == caption) {
            EXPECT_EQ(button->toolTip(), QStringLiteral("F%1").arg(item + 1));
        } else {
            // Room for not even "…" leaves the key blank.
            EXPECT_TRUE(button->text().endsWith(u'…') || button->text().isEmpty())
                << button->text().toStdString();
            EXPECT_TRUE(caption.startsWith(button->text().chopped(1))) << button->text().toStdString();
            EXPECT_EQ(button->toolTip(), caption);
        }
    }
}

TEST(FunctionKeyBarTest, ACaptionIsNeverCutOffWhateverTheWidth)
{
    struct Case {
        int width;
        bool chatOutWhole;
    };
    for (const Case c :
         {Case{2000, true}, Case{1000, true}, Case{500, false}, Case{250, false}, Case{60, false}}) {
        SCOPED_TRACE(c.width);
        FunctionKeyBar bar;
        for (int item = 0; item < FunctionKeyBar::kItems; ++item)
            bar.setCaption(item, kChatCaptions[item]);
        bar.resize(c.width, 26);
        bar.show();
        settle();
        expectNoCaptionCutOff(bar);
        EXPECT_EQ(bar.button(1)->text() == kChatCaptions[1], c.chatOutWhole)
            << bar.button(1)->text().toStdString() << " at " << bar.button(1)->font().pointSizeF();
        // The key still reports its whole caption, which chooses its command.
        EXPECT_EQ(bar.caption(1), kChatCaptions[1]);

        // Widened again, the caption comes back whole.
        bar.resize(2000, 26);
        settle();
        EXPECT_EQ(bar.button(1)->text(), kChatCaptions[1]);
        EXPECT_EQ(bar.button(1)->toolTip(), u"F2");
    }
}

TEST(FunctionKeyBarTest, OnlyANewCaptionIsFitted)
{
    FunctionKeyBar bar;
    bar.resize(600, 26);
    bar.show();
    settle();
    bar.setCaption(1, u"チャットイン"_qs);
    const int fitted = bar.fitCount();
    for (int i = 0; i < 100; ++i)
        bar.setCaption(1, u"チャットイン"_qs);
    EXPECT_EQ(bar.fitCount(), fitted);
    bar.setCaption(1, u"チャットアウト"_qs);
    EXPECT_EQ(bar.fitCount(), fitted + 1);
    EXPECT_TRUE(bar.button(1)->isEnabled());
    bar.setCaption(1, QString());
    EXPECT_FALSE(bar.button(1)->isEnabled());
}

class FunctionKeyBarWindowTest : public MainWindowTestBase {};

// A host that repeats the main menu's ">" must not make the window measure
// the captions again for every one.
TEST_F(FunctionKeyBarWindowTest, ARepeatedMenuPromptDoesNotRefitTheBar)
{
    store.put(u"HandleName"_qs, u"Taro"_qs);
    start();
    window->dialogue().functionKeyPressed(1);  // ログイン
    socket.pushText(u"\r\nMAIN (1-9)>"_qs);
    ASSERT_EQ(window->functionKeys()->caption(0), u"ログアウト");
    const int fitted = window->functionKeys()->fitCount();
    socket.pushText(QString(5000, u'>'));
    for (int i = 0; i < 100; ++i)
        socket.pushText(u">"_qs);
    EXPECT_EQ(window->functionKeys()->fitCount(), fitted);
    expectNoCaptionCutOff(*window->functionKeys());
}

// At a device pixel ratio of 2 the keys have half the room in logical
// pixels: the captions shrink, or are shortened, but are never cut off.
TEST_F(FunctionKeyBarWindowTest, TheWindowsCaptionsAreNeverCutOff)
{
    start();
    expectNoCaptionCutOff(*window->functionKeys());
    window->dialogue().setMode(Mode::Chat);
    expectNoCaptionCutOff(*window->functionKeys());
    window->resize(window->width() / 2, window->height());
    settle();
    expectNoCaptionCutOff(*window->functionKeys());
}

TEST(FunctionKeyBarScaled, CaptionsHoldAtScaleFactorTwo)
{
    checkAtScaleFactorTwo(kScaledRun, {}, QStringLiteral("[  PASSED  ] 5 tests"));
}

}  // namespace
