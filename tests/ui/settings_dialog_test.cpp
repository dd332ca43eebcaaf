#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include "common/MemorySettingsStore.h"
#include "common/SettingsTable.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "config/ConfigLayout.h"
#include "config/qt/FontColorChooser.h"
#include "config/qt/SettingsDialog.h"
#include "controls/qt/NumberField.h"

namespace {

// The next of the queued replies; a cancel when none is left.
template <class Reply> std::optional<Reply> nextReply(std::deque<std::optional<Reply>>& replies)
{
    if (replies.empty())
        return std::nullopt;
    auto reply = replies.front();
    replies.pop_front();
    return reply;
}

// Answers the font and colour dialogs from queued replies; an empty reply
// is a cancel. Records what each dialog was primed with.
class FakeChooser : public FontColorChooser {
public:
    std::deque<std::optional<FontChoice>> fontReplies;
    std::deque<std::optional<qint32>> colorReplies;
    std::vector<FontSpec> fontPrimes;
    std::vector<qint32> colorPrimes;

    std::optional<FontChoice> chooseFont(const FontSpec& initial, QWidget*) override
    {
        fontPrimes.push_back(initial);
        return nextReply(fontReplies);
    }
    std::optional<qint32> chooseColor(qint32 initialBgr, QWidget*) override
    {
        colorPrimes.push_back(initialBgr);
        return nextReply(colorReplies);
    }
    std::optional<QString> chooseFolder(const QString& initial, QWidget*) override
    {
        folderPrimes.push_back(initial);
        return folderReply;
    }
    std::optional<QString> folderReply;
    QStringList folderPrimes;
};

const QString kApp = SettingsLookup::appName();
const QString kDefault = QStringLiteral("Default");
const QString kAbsent = QStringLiteral("<absent>");

void Press(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

void Type(QWidget* target, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(target, &press);
    }
}

int Px(double twips, const QWidget* w)
{
    return ConfigLayout::twipsToPixels(twips, w->screen()->logicalDotsPerInch());
}

class SettingsDialogTest : public ::testing::Test {
protected:
    // Opens the dialog and runs `steps` inside its modal loop; the steps
    // must close it. A dialog left open fails the test and is closed.
    void Open(const std::function<void(QDialog*)>& steps)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            QDialog* w = dialog.openWindow();
            ASSERT_NE(w, nullptr);
            steps(w);
            if (w->isVisible()) {
                ADD_FAILURE() << "the steps left the dialog open";
                w->close();
            }
        });
        dialog.openModal(nullptr);
        EXPECT_TRUE(ran);
        EXPECT_EQ(dialog.openWindow(), nullptr);
    }

    template <class T> static T* Find(QDialog* w, const char* name)
    {
        T* found = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QPushButton* Button(QDialog* w, const char* name) { return Find<QPushButton>(w, name); }
    static QCheckBox* Box(QDialog* w, const char* name) { return Find<QCheckBox>(w, name); }
    static QLineEdit* Text(QDialog* w, const char* name) { return Find<QLineEdit>(w, name); }
    static NumberField* Number(QDialog* w, const char* name) { return Find<NumberField>(w, name); }

    QString Stored(const QString& key) const { return store.get(kApp, kDefault, key, kAbsent); }

    void Preload(const QList<QPair<QString, QString>>& values)
    {
        for (const auto& [key, text] : values)
            store.save(kApp, kDefault, key, text);
    }

    QStringList StoredSnapshot() const
    {
        QStringList all;
        for (const QString& key : store.keys(kApp, kDefault))
            all << key + QLatin1Char('=') + Stored(key);
        return all;
    }

    MemorySettingsStore store;
    FakeChooser chooser;
    SettingsDialog dialog{store, chooser};
};

QStringList FieldKeys()
{
    QStringList keys;
    for (const SettingsTable::Field& f : SettingsTable::fields())
        keys << QString::fromUtf16(f.key);
    return keys;
}

// ---------------------------------------------------------------- saving

TEST_F(SettingsDialogTest, ConfirmingUnchangedWritesEveryKeyInFieldOrderInStoredForms)
{
    Open([](QDialog* w) { Button(w, "okButton")->click(); });
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(store.keys(kApp, kDefault), FieldKeys());
    const QStringList expected{"GuestFlag=False",
                               "UserID=",
                               "Password=",
                               "HandleName=",
                               "ConnectionAddress=" + AppSettings{}.ConnectionAddress,
                               "ConnectionPort=23",
                               "Luminosity=13",
                               "HandleSuffix=さん",
                               "LocalEcho=False",
                               "AutoChangeWindow=True",
                               "AutoGetHandleName=True",
                               "ScreenSave=False",
                               "ChangeMyColor=False",
                               "MyColor=0",
                               "FontName=ＭＳ ゴシック",
                               "FontSize=10",
                               "FontBold=False",
                               "FontItalic=False",
                               "HistoryMemoryLimitMB=0",
                               "SaveLog=False",
                               "LogFolder=" + AppSettings{}.LogFolder,
                               "LogLines=0",
                               "NotifyMention=True",
                               "AutoReconnect=False",
                               "ReadableColors=True"};
    EXPECT_EQ(StoredSnapshot(), expected);
}

TEST_F(SettingsDialogTest, ConfirmingWritesWhatWasEdited)
{
    Preload({{"UserID", "alice"}, {"Password", "old"}, {"HandleSuffix", "さん"}});
    Open([](QDialog* w) {
        Box(w, "guestFlagCheck")->setChecked(true);
        Text(w, "passwordEdit")->setText(QStringLiteral("p,a ss"));
        Text(w, "handleNameEdit")->setText(QStringLiteral("はなこ"));
        Text(w, "addressEdit")->setText(QStringLiteral("bbs.example.jp"));
        Number(w, "portField")->setValue(2323);
        Number(w, "luminosityField")->setValue(2175);
        Text(w, "handleSuffixEdit")->clear();
        Box(w, "localEchoCheck")->setChecked(true);
        Box(w, "autoChangeWindowCheck")->setChecked(false);
        Box(w, "autoGetHandleNameCheck")->setChecked(false);
        Box(w, "screenSaveCheck")->setChecked(true);
        Box(w, "changeMyColorCheck")->setChecked(true);
        Button(w, "okButton")->click();
    });
    EXPECT_EQ(Stored("GuestFlag"), "True");
    EXPECT_EQ(Stored("UserID"), "alice");  // disabled by the guest box, kept as it was
    EXPECT_EQ(Stored("Password"), "p,a ss");
    EXPECT_EQ(Stored("HandleName"), "はなこ");
    EXPECT_EQ(Stored("ConnectionAddress"), "bbs.example.jp");
    EXPECT_EQ(Stored("ConnectionPort"), "2323");
    EXPECT_EQ(Stored("Luminosity"), "2175");
    EXPECT_EQ(Stored("HandleSuffix"), "");
    EXPECT_EQ(Stored("LocalEcho"), "True");
    EXPECT_EQ(Stored("AutoChangeWindow"), "False");
    EXPECT_EQ(Stored("AutoGetHandleName"), "False");
    EXPECT_EQ(Stored("ScreenSave"), "True");
    EXPECT_EQ(Stored("ChangeMyColor"), "True");
    AppSettings reloaded;
    SettingsLookup::loadSettings(store, reloaded);
    EXPECT_EQ(reloaded, dialog.editSettings());
}

// The log, mention, reconnect and colour settings: shown as stored, stored
// as left; the folder through the standard chooser, a cancel changing nothing.
TEST_F(SettingsDialogTest, LogMentionReconnectAndColourSettings)
{
    struct Case {
        const char* name;
        QList<QPair<QString, QString>> stored;
        std::optional<QString> folderChosen;
        std::function<void(QDialog*)> edit;
        QStringList expected;  // key=value after "更新"
    };
    const Case cases[] = {
        {"shown and kept",
         {{"SaveLog", "True"},
          {"LogFolder", "/srv/logs"},
          {"LogLines", "5000"},
          {"NotifyMention", "False"},
          {"AutoReconnect", "True"},
          {"ReadableColors", "False"}},
         std::nullopt,
         [](QDialog* w) {
             EXPECT_TRUE(Box(w, "saveLogCheck")->isChecked());
             EXPECT_TRUE(Button(w, "logFolderButton")->isEnabled());
             EXPECT_EQ(Button(w, "logFolderButton")->toolTip(), "/srv/logs");
             EXPECT_EQ(Number(w, "logLinesField")->value(), 5000);
             EXPECT_FALSE(Box(w, "notifyMentionCheck")->isChecked());
             EXPECT_TRUE(Box(w, "autoReconnectCheck")->isChecked());
             EXPECT_FALSE(Box(w, "readableColorsCheck")->isChecked());
             Button(w, "logFolderButton")->click();  // cancelled
         },
         {"SaveLog=True", "LogFolder=/srv/logs", "LogLines=5000", "NotifyMention=False", "AutoReconnect=True",
          "ReadableColors=False"}},
        {"edited",
         {},
         QStringLiteral("/home/u/チャットログ"),
         [](QDialog* w) {
             Box(w, "saveLogCheck")->setChecked(true);
             Button(w, "logFolderButton")->click();
             EXPECT_EQ(Button(w, "logFolderButton")->toolTip(), "/home/u/チャットログ");
             Number(w, "logLinesField")->setValue(99999);
             Box(w, "notifyMentionCheck")->setChecked(false);
             Box(w, "autoReconnectCheck")->setChecked(true);
             Box(w, "readableColorsCheck")->setChecked(false);
         },
         {"SaveLog=True", "LogFolder=/home/u/チャットログ", "LogLines=99999", "NotifyMention=False",
          "AutoReconnect=True", "ReadableColors=False"}},
        {"a number typed out of range reverts",
         {{"LogLines", "300"}},
         std::nullopt,
         [](QDialog* w) {
             QLineEdit* edit = Number(w, "logLinesField")->findChild<QLineEdit*>();
             ASSERT_NE(edit, nullptr);
             edit->setText(QStringLiteral("123456"));
         },
         {"SaveLog=False", "LogFolder=" + AppSettings{}.LogFolder, "LogLines=300", "NotifyMention=True",
          "AutoReconnect=False", "ReadableColors=True"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.deleteSection(kApp, kDefault);
        Preload(c.stored);
        chooser.folderReply = c.folderChosen;
        chooser.folderPrimes.clear();
        Open([&](QDialog* w) {
            Button(w, "layoutButton")->click();
            c.edit(w);
            Button(w, "okButton")->click();
        });
        QStringList stored;
        for (const char* key :
             {"SaveLog", "LogFolder", "LogLines", "NotifyMention", "AutoReconnect", "ReadableColors"})
            stored << QString::fromLatin1(key) + u'=' + Stored(QString::fromLatin1(key));
        EXPECT_EQ(stored, c.expected);
        const QString primedWith = c.stored.isEmpty() ? AppSettings{}.LogFolder : QStringLiteral("/srv/logs");
        for (const QString& primed : chooser.folderPrimes)
            EXPECT_EQ(primed, primedWith);
    }
}

// A value of any length is stored whole, whether loaded, pasted or typed:
// nothing is cut at QLineEdit's default of 32,767 characters.
TEST_F(SettingsDialogTest, LongTextsAreStoredWhole)
{
    const QString loaded = QString(40000, u'l');
    const QString pasted = QString(40000, u'あ');
    const QString typed = QString(32767, u'x');
    Preload({{"HandleName", loaded}});
    Open([&](QDialog* w) {
        EXPECT_EQ(Text(w, "handleNameEdit")->text().size(), loaded.size());
        for (const char* name : {"userIdEdit", "passwordEdit", "addressEdit", "handleSuffixEdit"})
            Text(w, name)->setText(pasted);
        Text(w, "handleSuffixEdit")->setText(typed);
        Text(w, "handleSuffixEdit")->end(false);
        Type(Text(w, "handleSuffixEdit"), QStringLiteral("yz"));
        Button(w, "okButton")->click();
    });
    EXPECT_EQ(Stored("HandleName"), loaded);
    for (const char* key : {"UserID", "Password", "ConnectionAddress"})
        EXPECT_EQ(Stored(QLatin1String(key)), pasted) << key;
    EXPECT_EQ(Stored("HandleSuffix"), typed + QStringLiteral("yz"));
}

TEST_F(SettingsDialogTest, EveryOtherWayOfClosingWritesNothing)
{
    struct Way {
        const char* name;
        std::function<void(QDialog*)> close;
    };
    const std::vector<Way> ways{
        {"取消", [](QDialog* w) { Button(w, "cancelButton")->click(); }},
        {"Enter on 取消", [](QDialog* w) { Press(Button(w, "cancelButton"), Qt::Key_Return); }},
        {"close box", [](QDialog* w) { w->close(); }},
        {"Escape in the guest box", [](QDialog* w) { Press(Box(w, "guestFlagCheck"), Qt::Key_Escape); }},
        {"Escape in a text field", [](QDialog* w) { Press(Text(w, "passwordEdit"), Qt::Key_Escape); }},
        {"Escape in a number field", [](QDialog* w) { Press(Number(w, "portField"), Qt::Key_Escape); }},
        {"Escape on 更新", [](QDialog* w) { Press(Button(w, "okButton"), Qt::Key_Escape); }},
        {"Escape on the dialog", [](QDialog* w) { Press(w, Qt::Key_Escape); }},
        {"F12 in a text field", [](QDialog* w) { Press(Text(w, "userIdEdit"), Qt::Key_F12); }},
        {"F12 on the font button", [](QDialog* w) { Press(Button(w, "fontButton"), Qt::Key_F12); }},
    };
    Preload({{"UserID", "alice"}, {"ConnectionPort", "2323"}});
    const QStringList before = StoredSnapshot();
    for (const Way& way : ways) {
        chooser.fontReplies = {FontChoice{"IPAGothic", 12, true, false}};
        Open([&](QDialog* w) {
            Text(w, "userIdEdit")->setText(QStringLiteral("mallory"));
            Number(w, "portField")->setValue(80);
            Box(w, "guestFlagCheck")->setChecked(true);
            Button(w, "fontButton")->click();
            way.close(w);
            EXPECT_FALSE(w->isVisible()) << way.name;
        });
        EXPECT_FALSE(dialog.accepted()) << way.name;
        EXPECT_EQ(StoredSnapshot(), before) << way.name;
        // The controls were still copied back on closing.
        EXPECT_EQ(dialog.editSettings().UserID, "mallory") << way.name;
        EXPECT_EQ(dialog.editSettings().ConnectionPort, 80) << way.name;
    }
}

TEST_F(SettingsDialogTest, EditsDiscardedByACancelDoNotReachTheNextOpening)
{
    Preload({{"HandleName", "taro"}});
    Open([](QDialog* w) {
        Text(w, "handleNameEdit")->setText(QStringLiteral("jiro"));
        Button(w, "cancelButton")->click();
    });
    Open([](QDialog* w) {
        EXPECT_EQ(Text(w, "handleNameEdit")->text(), "taro");
        Button(w, "cancelButton")->click();
    });
}

TEST_F(SettingsDialogTest, AFailedSaveIsReportedToTheUser)
{
    store.failWrites(QStringLiteral("disk full"));
    QString shown;
    int attempts = 0;
    std::function<void()> dismiss = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && ++attempts < 1000) {
            QTimer::singleShot(0, dismiss);
            return;
        }
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->close();
    };
    Open([&](QDialog* w) {
        Button(w, "okButton")->click();
        QTimer::singleShot(0, dismiss);
    });
    EXPECT_TRUE(shown.contains(QStringLiteral("disk full"))) << shown.toStdString();
}

// ------------------------------------------------------- controls and rules

TEST_F(SettingsDialogTest, CaptionsTooltipsAndFonts)
{
    Preload({{"FontName", "IPAGothic"}});
    Open([](QDialog* w) {
        EXPECT_EQ(w->windowTitle(), "環境設定");
        const std::vector<std::pair<const char*, QString>> captions{
            {"guestFlagCheck", "ゲストでログインをする"},
            {"userIdLabel", "UserID"},
            {"passwordLabel", "Password"},
            {"handleNameLabel", "HandleName"},
            {"addressLabel", "接続先アドレス"},
            {"portLabel", "接続先ポート番号"},
            {"logLinesLabel", "ログ行数"},
            {"luminosityLabel", "輝度の設定"},
            {"handleSuffixLabel", "敬称の設定"},
            {"autoChangeWindowCheck", "チャットウィンドウへの切り替えを自動で行う"},
            {"autoGetHandleNameCheck", "ハンドル名が不明の場合は、自動で取得する"},
            {"localEchoCheck", "自分の発言は、ローカルエコーする"},
            {"screenSaveCheck", "前回終了時の位置を記録する"},
            {"changeMyColorCheck", "自分の発言の色を設定する"},
            {"myColorButton", "発言色の設定"},
            {"saveLogCheck", "ログを保存する"},
            {"logFolderButton", "保存先の設定"},
            {"fontButton", "表示フォントの設定 [IPAGothic]"},
            {"readableColorsCheck", "読みやすい色にする"},
            {"notifyMentionCheck", "自分のハンドル名を含む発言を知らせる"},
            {"autoReconnectCheck", "切断されたら自動で再接続する"},
            {"okButton", "更新"},
            {"cancelButton", "取消"},
            {"layoutButton", "詳細設定"},
        };
        for (const auto& [name, caption] : captions) {
            QWidget* c = Find<QWidget>(w, name);
            ASSERT_NE(c, nullptr);
            const QString text = c->property("text").toString();
            EXPECT_EQ(text, caption) << name;
            EXPECT_EQ(c->font().family(), "ＭＳ Ｐゴシック") << name;
            EXPECT_DOUBLE_EQ(c->font().pointSizeF(), 9.75) << name;
        }
        EXPECT_EQ(Box(w, "localEchoCheck")->toolTip(),
                  "自分の発言をサーバの応答を待たずに表示します。このオプションを設定すると、"
                  "メッセージの表示順序が他の人と異なってしまう場合があります。");
        EXPECT_EQ(Button(w, "fontButton")->toolTip(),
                  "ターミナル・チャット画面の表示フォントの設定を行います。");
        EXPECT_EQ(Text(w, "handleSuffixEdit")->toolTip(),
                  "ハンドル名をダブルクリックした時に転送される文字列に追加する敬称を設定します。");
        EXPECT_TRUE(Box(w, "saveLogCheck")->isEnabled());
        EXPECT_FALSE(Button(w, "logFolderButton")->isEnabled()) << "until the box is ticked";
        QLineEdit* password = Text(w, "passwordEdit");
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
                  '*');
        Button(w, "cancelButton")->click();
    });
}

TEST_F(SettingsDialogTest, TabOrderFollowsTheTabIndexes)
{
    Open([](QDialog* w) {
        const QStringList order{"guestFlagCheck",
                                "userIdEdit",
                                "passwordEdit",
                                "handleNameEdit",
                                "addressEdit",
                                "portField",
                                "logLinesField",
                                "luminosityField",
                                "handleSuffixEdit",
                                "autoChangeWindowCheck",
                                "autoGetHandleNameCheck",
                                "localEchoCheck",
                                "screenSaveCheck",
                                "changeMyColorCheck",
                                "myColorButton",
                                "saveLogCheck",
                                "logFolderButton",
                                "fontButton",
                                "readableColorsCheck",
                                "notifyMentionCheck",
                                "autoReconnectCheck",
                                "okButton",
                                "cancelButton",
                                "layoutButton"};
        QStringList seen;
        QWidget* start = Box(w, "guestFlagCheck");
        QWidget* at = start;
        do {
            if (order.contains(at->objectName()) && !seen.contains(at->objectName()))
                seen << at->objectName();
            at = at->nextInFocusChain();
        } while (at != start);
        EXPECT_EQ(seen, order);
        EXPECT_EQ(w->focusWidget(), start);
        Button(w, "cancelButton")->click();
    });
}

TEST_F(SettingsDialogTest, EnablingRulesOnOpening)
{
    struct Case {
        const char* guest;
        const char* changeMyColor;
        bool userFieldsEnabled;
        bool colourEnabled;
    };
    const Case cases[] = {
        {"False", "False", true, false},
        {"True", "False", false, false},
        {"False", "True", true, true},
        {"True", "True", false, true},
    };
    for (const Case& c : cases) {
        Preload({{"GuestFlag", c.guest}, {"ChangeMyColor", c.changeMyColor}, {"UserID", "u1"}});
        Open([&](QDialog* w) {
            EXPECT_EQ(Text(w, "userIdEdit")->isEnabled(), c.userFieldsEnabled) << c.guest;
            EXPECT_EQ(Text(w, "passwordEdit")->isEnabled(), c.userFieldsEnabled) << c.guest;
            EXPECT_EQ(Text(w, "userIdEdit")->text(), "u1");
            EXPECT_EQ(Button(w, "myColorButton")->isEnabled(), c.colourEnabled) << c.changeMyColor;
            Button(w, "cancelButton")->click();
        });
    }
}

TEST_F(SettingsDialogTest, EnablingRulesFollowTheBoxes)
{
    Open([](QDialog* w) {
        QCheckBox* guest = Box(w, "guestFlagCheck");
        QCheckBox* colour = Box(w, "changeMyColorCheck");
        for (bool ticked : {true, false, true}) {
            guest->setChecked(ticked);
            EXPECT_EQ(Text(w, "userIdEdit")->isEnabled(), !ticked);
            EXPECT_EQ(Text(w, "passwordEdit")->isEnabled(), !ticked);
            EXPECT_TRUE(Text(w, "handleNameEdit")->isEnabled());
            colour->setChecked(ticked);
            EXPECT_EQ(Button(w, "myColorButton")->isEnabled(), ticked);
        }
        Button(w, "cancelButton")->click();
    });
}

// ---------------------------------------------------------------- Enter key

TEST_F(SettingsDialogTest, EnterMovesTheFocusAlongTheDialogsPath)
{
    // Enter in each control of a path moves the focus to the next; each step
    // starts from a newly opened dialog.
    struct Path {
        bool guest;
        bool changeMyColor;
        std::vector<const char*> controls;
    };
    const Path paths[] = {
        {false, false, {"guestFlagCheck", "userIdEdit", "passwordEdit"}},
        {true, false, {"guestFlagCheck", "handleNameEdit"}},
        {false,
         false,
         {"handleSuffixEdit", "autoChangeWindowCheck", "autoGetHandleNameCheck", "localEchoCheck",
          "screenSaveCheck", "changeMyColorCheck", "fontButton", "okButton"}},
        {false, true, {"changeMyColorCheck", "myColorButton", "fontButton"}},
        {false, false, {"saveLogCheck", "logFolderButton", "fontButton"}},
        {false, false, {"readableColorsCheck", "notifyMentionCheck", "autoReconnectCheck", "okButton"}},
        {false, false, {"portField", "logLinesField"}},
    };
    for (const Path& path : paths) {
        for (size_t i = 0; i + 1 < path.controls.size(); ++i) {
            const char* fromName = path.controls[i];
            const char* toName = path.controls[i + 1];
            Open([&](QDialog* w) {
                Button(w, "layoutButton")->click();  // the detailed controls take focus only when shown
                Box(w, "guestFlagCheck")->setChecked(path.guest);
                Box(w, "changeMyColorCheck")->setChecked(path.changeMyColor);
                Box(w, "saveLogCheck")->setChecked(true);
                QWidget* from = Find<QWidget>(w, fromName);
                from->setFocus();
                ASSERT_EQ(w->focusWidget(), from) << fromName;
                const auto* box = qobject_cast<QCheckBox*>(from);
                const bool tickedBefore = box && box->isChecked();
                Press(from, Qt::Key_Return);
                EXPECT_EQ(w->focusWidget(), Find<QWidget>(w, toName)) << fromName << " -> " << toName;
                if (box) {
                    EXPECT_EQ(box->isChecked(), tickedBefore) << fromName;
                }
                EXPECT_TRUE(w->isVisible()) << fromName;
                w->close();
            });
            EXPECT_TRUE(chooser.fontPrimes.empty()) << fromName;
            EXPECT_TRUE(chooser.colorPrimes.empty()) << fromName;
        }
    }
}

TEST_F(SettingsDialogTest, EnterPressesTheThreeBottomButtons)
{
    Open([](QDialog* w) {
        QPushButton* mode = Button(w, "layoutButton");
        Press(mode, Qt::Key_Enter);
        EXPECT_EQ(mode->text(), "簡易設定");
        EXPECT_TRUE(w->isVisible());
        Press(Button(w, "okButton"), Qt::Key_Return);
    });
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(store.keys(kApp, kDefault), FieldKeys());
}

TEST_F(SettingsDialogTest, EnterInATextFieldNeverConfirms)
{
    Open([](QDialog* w) {
        Press(Text(w, "handleNameEdit"), Qt::Key_Return);
        EXPECT_TRUE(w->isVisible());
        Button(w, "cancelButton")->click();
    });
    EXPECT_FALSE(dialog.accepted());
    EXPECT_TRUE(store.keys(kApp, kDefault).isEmpty());
}

// ------------------------------------------------------------------ layouts

TEST_F(SettingsDialogTest, OpensInTheSimpleLayoutCentredOnTheScreen)
{
    Open([this](QDialog* w) {
        EXPECT_EQ(dialog.layoutMode(), "Normal");
        EXPECT_TRUE(Find<QFrame>(w, "detailedFrame")->isHidden());
        EXPECT_TRUE(Find<QFrame>(w, "simpleFrame")->isVisible());
        EXPECT_EQ(Button(w, "layoutButton")->text(), "詳細設定");
        EXPECT_EQ(w->size(), QSize(Px(4905, w), Px(1425 + 465 + 120, w)));
        const QRect screen = w->screen()->geometry();
        const QPointF centre = QRectF(w->frameGeometry()).center();
        EXPECT_LE(std::abs(centre.x() - QRectF(screen).center().x()), 1.0);
        EXPECT_LE(std::abs(centre.y() - QRectF(screen).center().y()), 1.0);
        // "取消" sits 120 twips from the right and the bottom.
        const QRect cancel = Button(w, "cancelButton")->geometry();
        EXPECT_EQ(w->width() - (cancel.x() + cancel.width()), Px(120, w));
        EXPECT_EQ(w->height() - (cancel.y() + cancel.height()), Px(120, w));
        EXPECT_EQ(Box(w, "guestFlagCheck")->geometry(),
                  QRect(Px(300, w), Px(120, w), Px(2535, w), Px(255, w)));
        Button(w, "cancelButton")->click();
    });
}

TEST_F(SettingsDialogTest, SwitchingLayoutsKeepsTheCentreAndRestoresTheSize)
{
    Open([this](QDialog* w) {
        QPushButton* mode = Button(w, "layoutButton");
        QFrame* detailed = Find<QFrame>(w, "detailedFrame");
        const QRect simpleOuter = w->frameGeometry();
        const QSize simpleClient = w->size();
        // A window sits on whole pixels: each placement is within half a pixel
        // of the kept centre, so two of them differ by a pixel at most.
        const auto expectSameCentre = [&](const char* when) {
            const QPointF before = QRectF(simpleOuter).center();
            const QPointF now = QRectF(w->frameGeometry()).center();
            EXPECT_LE(std::abs(now.x() - before.x()), 1.0) << when;
            EXPECT_LE(std::abs(now.y() - before.y()), 1.0) << when;
        };

        Text(w, "handleNameEdit")->setFocus();
        mode->click();
        EXPECT_EQ(dialog.layoutMode(), "Advance");
        EXPECT_TRUE(detailed->isVisible());
        EXPECT_EQ(detailed->pos(), QPoint(0, Px(1425, w)));
        EXPECT_EQ(mode->text(), "簡易設定");
        EXPECT_EQ(w->size(), QSize(Px(9135, w), Px(1425 + 2745 + 465 + 120, w)));
        EXPECT_EQ(w->frameGeometry().size() - w->size(), simpleOuter.size() - simpleClient);
        expectSameCentre("detailed");
        EXPECT_EQ(w->focusWidget(), Box(w, "guestFlagCheck"));

        Text(w, "addressEdit")->setFocus();
        mode->click();
        EXPECT_EQ(dialog.layoutMode(), "Normal");
        EXPECT_TRUE(detailed->isHidden());
        EXPECT_EQ(mode->text(), "詳細設定");
        EXPECT_EQ(w->frameGeometry(), simpleOuter);
        EXPECT_EQ(w->size(), simpleClient);
        expectSameCentre("simple again");
        EXPECT_EQ(w->focusWidget(), Box(w, "guestFlagCheck"));

        // Back and forth many times: the window does not creep.
        for (int i = 0; i < 6; ++i)
            mode->click();
        EXPECT_EQ(w->frameGeometry(), simpleOuter);
        Button(w, "cancelButton")->click();
    });
}

TEST_F(SettingsDialogTest, EveryOpeningStartsInTheSimpleLayout)
{
    Open([](QDialog* w) {
        Button(w, "layoutButton")->click();
        Button(w, "cancelButton")->click();
    });
    Open([this](QDialog* w) {
        EXPECT_EQ(dialog.layoutMode(), "Normal");
        EXPECT_TRUE(Find<QFrame>(w, "detailedFrame")->isHidden());
        Button(w, "cancelButton")->click();
    });
}

// ------------------------------------------------------------ font, colour

TEST_F(SettingsDialogTest, ChosenFontSizeIsRoundedHalvesToEven)
{
    struct Case {
        double points;
        const char* stored;
    };
    const Case cases[] = {{10.5, "10"}, {11.5, "12"}, {9.49, "9"}, {12.0, "12"}, {8.51, "9"}};
    for (const Case& c : cases) {
        chooser.fontReplies = {FontChoice{"IPAGothic", c.points, true, true}};
        Open([](QDialog* w) {
            Button(w, "fontButton")->click();
            EXPECT_EQ(Button(w, "fontButton")->text(), "表示フォントの設定 [IPAGothic]");
            Button(w, "okButton")->click();
        });
        EXPECT_EQ(Stored("FontSize"), c.stored) << c.points;
        EXPECT_EQ(Stored("FontName"), "IPAGothic");
        EXPECT_EQ(Stored("FontBold"), "True");
        EXPECT_EQ(Stored("FontItalic"), "True");
    }
}

TEST_F(SettingsDialogTest, ACancelledFontChoiceKeepsTheEarlierChoice)
{
    Preload({{"FontName", "IPAMincho"}, {"FontSize", "14"}, {"FontBold", "True"}});
    chooser.fontReplies = {FontChoice{"IPAGothic", 12, false, true}, std::nullopt};
    Open([](QDialog* w) {
        Button(w, "fontButton")->click();
        Button(w, "fontButton")->click();
        EXPECT_EQ(Button(w, "fontButton")->text(), "表示フォントの設定 [IPAGothic]");
        Button(w, "okButton")->click();
    });
    ASSERT_EQ(chooser.fontPrimes.size(), 2u);
    EXPECT_EQ(chooser.fontPrimes[0], (FontSpec{"IPAMincho", 14, true, false}));
    EXPECT_EQ(chooser.fontPrimes[1], (FontSpec{"IPAGothic", 12, false, true}));
    EXPECT_EQ(Stored("FontName"), "IPAGothic");
    EXPECT_EQ(Stored("FontSize"), "12");
    EXPECT_EQ(Stored("FontBold"), "False");
    EXPECT_EQ(Stored("FontItalic"), "True");
}

TEST_F(SettingsDialogTest, AFontChosenBeforeACancelIsDropped)
{
    Preload({{"FontName", "IPAMincho"}, {"FontSize", "14"}});
    const QStringList before = StoredSnapshot();
    chooser.fontReplies = {FontChoice{"IPAGothic", 10.5, true, false}};
    Open([](QDialog* w) {
        Button(w, "fontButton")->click();
        Button(w, "cancelButton")->click();
    });
    EXPECT_EQ(StoredSnapshot(), before);
    Open([](QDialog* w) {
        EXPECT_EQ(Button(w, "fontButton")->text(), "表示フォントの設定 [IPAMincho]");
        Button(w, "fontButton")->click();  // no reply queued: a cancel
        EXPECT_EQ(Button(w, "fontButton")->text(), "表示フォントの設定 [IPAMincho]");
        Button(w, "cancelButton")->click();
    });
    ASSERT_EQ(chooser.fontPrimes.size(), 2u);
    EXPECT_EQ(chooser.fontPrimes[1], (FontSpec{"IPAMincho", 14, false, false}));
}

TEST_F(SettingsDialogTest, OwnColourIsChosenThroughTheColourDialog)
{
    Preload({{"ChangeMyColor", "True"}, {"MyColor", "255"}});
    chooser.colorReplies = {0x00FF8040, std::nullopt};
    Open([](QDialog* w) {
        Button(w, "myColorButton")->click();
        Button(w, "myColorButton")->click();  // cancelled: the first choice stays
        Button(w, "okButton")->click();
    });
    EXPECT_EQ(chooser.colorPrimes, (std::vector<qint32>{255, 0x00FF8040}));
    EXPECT_EQ(Stored("MyColor"), QString::number(0x00FF8040));
}

// Answers the modal dialog of type D once it is up, looking again at each
// turn of the event loop.
template <class D> void AnswerWhenUp(std::function<void(D*)> act, int attempts)
{
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!d && attempts < 1000) {
        QTimer::singleShot(0, [act, attempts] { AnswerWhenUp<D>(act, attempts + 1); });
        return;
    }
    ASSERT_NE(d, nullptr);
    act(d);
}

// Answers the next modal dialog of type D, once it is up.
template <class D> void AnswerNext(std::function<void(D*)> act)
{
    QTimer::singleShot(0, [act] { AnswerWhenUp<D>(act, 0); });
}

TEST_F(SettingsDialogTest, StandardColourDialogKeepsTheBlueGreenRedOrder)
{
    StandardFontColorChooser standard;
    AnswerNext<QColorDialog>([](QColorDialog* d) {
        EXPECT_EQ(d->currentColor(), QColor(0x40, 0x80, 0xFF));
        d->setCurrentColor(QColor(0x01, 0x02, 0x03));
        d->accept();
    });
    EXPECT_EQ(standard.chooseColor(0x00FF8040, nullptr), std::optional<qint32>(0x00030201));
    AnswerNext<QColorDialog>([](QColorDialog* d) { d->reject(); });
    EXPECT_EQ(standard.chooseColor(0x00FF8040, nullptr), std::nullopt);
}

namespace {

// Whether the family has a style of exactly this weight class and slant.
bool HasStyle(const QString& family, bool bold, bool italic)
{
    const QStringList styles = QFontDatabase::styles(family);
    return std::any_of(styles.begin(), styles.end(), [&](const QString& style) {
        return QFontDatabase::bold(family, style) == bold && QFontDatabase::italic(family, style) == italic;
    });
}

}  // namespace

TEST_F(SettingsDialogTest, StandardFontDialogIsPrimedAndAnswers)
{
    // The dialog offers only the styles a family has: the primed face must
    // have a bold style and the picked one an italic style.
    const QString primed = QStringLiteral("DejaVu Sans");
    const QString picked = QStringLiteral("DejaVu Serif");
    if (!HasStyle(primed, true, false) || !HasStyle(picked, false, true))
        GTEST_SKIP() << "DejaVu Sans Bold or DejaVu Serif Italic is not installed "
                        "(fonts-dejavu-core, fonts-dejavu-extra)";
    StandardFontColorChooser standard;
    AnswerNext<QFontDialog>([&](QFontDialog* d) {
        EXPECT_EQ(d->currentFont().family(), primed);
        EXPECT_EQ(d->currentFont().pointSize(), 14);
        EXPECT_TRUE(d->currentFont().bold());
        QFont chosen(picked);
        chosen.setPointSize(12);
        chosen.setItalic(true);
        d->setCurrentFont(chosen);
        d->accept();
    });
    const auto choice = standard.chooseFont({primed, 14, true, false}, nullptr);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, picked);
    EXPECT_DOUBLE_EQ(choice->pointSize, 12);
    EXPECT_FALSE(choice->bold);
    EXPECT_TRUE(choice->italic);
    AnswerNext<QFontDialog>([](QFontDialog* d) { d->reject(); });
    EXPECT_FALSE(standard.chooseFont({primed, 14, false, false}, nullptr));
}

// ------------------------------------------------------------ number fields

TEST_F(SettingsDialogTest, NumberFieldsHoldWholeNumbersInRange)
{
    NumberField port(1, 65535);
    struct Case {
        int set;
        int value;
        const char* shown;
    };
    const Case cases[] = {{23, 23, "23"}, {0, 1, "1"}, {70000, 65535, "65535"}, {12345, 12345, "12345"}};
    for (const Case& c : cases) {
        port.setValue(c.set);
        EXPECT_EQ(port.settledValue(), c.value) << c.set;
        EXPECT_EQ(port.text(), c.shown) << c.set;
    }
}

TEST_F(SettingsDialogTest, NumberFieldRevertsAnEmptyOrUnusableEntryToItsLastValue)
{
    NumberField luminosity(0, 2175);
    luminosity.setValue(13);
    auto* edit = luminosity.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    for (const char* entry : {"", "abc", "99999", "-5", "1.5"}) {
        edit->setText(QString::fromUtf8(entry));
        EXPECT_EQ(luminosity.settledValue(), 13) << entry;
        EXPECT_EQ(luminosity.text(), "13") << entry;
    }
    edit->setText(QStringLiteral("200"));
    EXPECT_EQ(luminosity.settledValue(), 200);
}

TEST_F(SettingsDialogTest, NumberFieldRefusesTypedLettersAndOutOfRangeDigits)
{
    NumberField port(1, 65535);
    port.setValue(23);
    port.selectAll();
    Type(&port, QStringLiteral("8x0"));
    EXPECT_EQ(port.settledValue(), 80);
    port.selectAll();
    Type(&port, QStringLiteral("99999"));
    EXPECT_GE(port.settledValue(), 1);
    EXPECT_LE(port.settledValue(), 65535);
}

TEST_F(SettingsDialogTest, AnEmptiedPortIsSavedAsItsLastValue)
{
    Preload({{"ConnectionPort", "2323"}, {"Luminosity", "40"}});
    Open([](QDialog* w) {
        Number(w, "portField")->findChild<QLineEdit*>()->clear();
        Number(w, "luminosityField")->findChild<QLineEdit*>()->setText(QStringLiteral("x"));
        Button(w, "okButton")->click();
    });
    EXPECT_EQ(Stored("ConnectionPort"), "2323");
    EXPECT_EQ(Stored("Luminosity"), "40");
}

// --------------------------------------------------------------- pictures

// With ZKT_CONFIG_SHOTS set to a folder, saves pictures of both layouts.
TEST_F(SettingsDialogTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("ZKT_CONFIG_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ZKT_CONFIG_SHOTS to a folder to save pictures";
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    Preload({{"UserID", "guest01"},
             {"Password", "secret"},
             {"HandleName", "たろう"},
             {"ChangeMyColor", "True"},
             {"FontName", "IPAGothic"}});
    Open([&](QDialog* w) {
        EXPECT_TRUE(w->grab().save(QDir(folder).filePath("config-simple.png")));
        Button(w, "layoutButton")->click();
        EXPECT_TRUE(w->grab().save(QDir(folder).filePath("config-detailed.png")));
        Button(w, "cancelButton")->click();
    });
}

}  // namespace
