#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <optional>
#include <string>

#include "common/MemorySettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "config/qt/FontColorChooser.h"
#include "config/qt/SettingsDialog.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "controls/qt/Fonts.h"
#include "main/qt/MainWindow.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"
#include "support/qt/EventWait.h"

namespace {

// The Windows faces mapped as the program maps them at start-up.
class SubstitutionsEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Fonts::registerSubstitutions(); }
};

const auto* const substitutions = ::testing::AddGlobalTestEnvironment(new SubstitutionsEnvironment);

// As std::string, so that a failure prints the face's name.
std::string resolved(const QFont& font)
{
    return QFontInfo(font).family().toStdString();
}

// The faces the client is designed with are Windows faces; on this platform
// they must land on the Japanese faces of the same kind, or kana and kanji
// come out in whatever face fontconfig picks first.
TEST(FontSubstitution, DesignedFacesResolveToTheIpaFaces)
{
    struct Case {
        const char16_t* face;
        const char* expected;
    };
    const Case cases[] = {
        {u"ＭＳ ゴシック", "IPAGothic"},
        {u"MS Gothic", "IPAGothic"},
        {u"ＭＳ Ｐゴシック", "IPAPGothic"},
        {u"MS PGothic", "IPAPGothic"},
    };
    for (const Case& c : cases) {
        const QString face = QString::fromUtf16(c.face);
        SCOPED_TRACE(face.toStdString());
        EXPECT_EQ(resolved(QFont(face)), c.expected);
        // Size and style leave the face alone.
        EXPECT_EQ(resolved(Fonts::toQFont({face, 14, true, true})), c.expected);
    }
    EXPECT_EQ(resolved(Fonts::uiFont(9.75)), "IPAPGothic");
}

TEST(FontSubstitution, FacesThatExistAreUsedAsNamed)
{
    for (const char* face : {"IPAGothic", "IPAPGothic", "DejaVu Sans", "DejaVu Sans Mono"}) {
        SCOPED_TRACE(face);
        const QFont font = Fonts::toQFont({QString::fromLatin1(face), 12, true, false});
        EXPECT_EQ(resolved(font), face);
        EXPECT_EQ(QFontInfo(font).pointSize(), 12);
        EXPECT_TRUE(QFontInfo(font).bold());
    }
}

// Answers the settings dialog's font dialog with one choice.
class PickingChooser : public FontColorChooser {
public:
    explicit PickingChooser(FontChoice choice) : choice_(std::move(choice)) {}
    std::optional<FontChoice> chooseFont(const FontSpec&, QWidget*) override { return choice_; }
    std::optional<qint32> chooseColor(qint32, QWidget*) override { return std::nullopt; }
    std::optional<QString> chooseFolder(const QString&, QWidget*) override { return std::nullopt; }

private:
    FontChoice choice_;
};

// A face picked in the settings dialog reaches both views and the input line
// at the next log-in, as picked: the substitutions must not touch a face
// that exists.
TEST(FontSubstitution, FacePickedInTheSettingsIsUsedInTheViews)
{
    struct Case {
        const char16_t* picked;
        double points;
        bool bold;
        bool italic;
        const char* expected;
    };
    const Case cases[] = {
        {u"IPAPGothic", 12, false, false, "IPAPGothic"},
        {u"DejaVu Sans", 9, true, false, "DejaVu Sans"},
        {u"DejaVu Sans Mono", 11, false, true, "DejaVu Sans Mono"},
        {u"ＭＳ Ｐゴシック", 10, false, false, "IPAPGothic"},
    };
    for (const Case& c : cases) {
        const QString picked = QString::fromUtf16(c.picked);
        SCOPED_TRACE(picked.toStdString());
        MemorySettingsStore store;
        PickingChooser chooser({picked, c.points, c.bold, c.italic});
        SettingsDialog dialog(store, chooser);
        bool dialogRan = false;
        QTimer::singleShot(0, [&] {
            QDialog* w = dialog.openWindow();
            ASSERT_NE(w, nullptr);
            dialogRan = true;
            EXPECT_EQ(resolved(w->font()), "IPAPGothic");
            w->findChild<QPushButton*>(QStringLiteral("fontButton"))->click();
            w->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
            if (w->isVisible())
                w->close();
        });
        dialog.openModal(nullptr);
        ASSERT_TRUE(dialogRan);
        ASSERT_EQ(SettingsLookup::readSetting(store, QStringLiteral("FontName")), picked);

        FakeSocket socket;
        FakeTimeSource time;
        MainWindow window(store, socket, time);
        window.setExitHandler([](int) {});
        window.load();
        window.dialogue().functionKeyPressed(1);  // ログイン
        ASSERT_EQ(socket.connectCount(), 1);
        // The views take the font at their next frame.
        ASSERT_TRUE(waitUntil([&] {
            return !window.terminalView()->gridView().changeWaiting() &&
                   !window.chatView()->gridView().changeWaiting();
        }));

        for (const QWidget* shown : {static_cast<const QWidget*>(window.terminalView()),
                                     static_cast<const QWidget*>(window.chatView()),
                                     static_cast<const QWidget*>(window.inputLine())}) {
            SCOPED_TRACE(shown->objectName().toStdString());
            const QFontInfo info(shown->font());
            EXPECT_EQ(resolved(shown->font()), c.expected);
            EXPECT_EQ(info.pointSize(), int(c.points));
            EXPECT_EQ(info.bold(), c.bold);
            EXPECT_EQ(info.italic(), c.italic);
        }
    }
}

// The package must bring the faces that the designed faces resolve to. The
// generated package configuration sits at the top of the build folder, two
// levels above the board's program.
TEST(FontPackaging, DebianPackageDependsOnTheIpaGothicFonts)
{
    const QDir build = QFileInfo(QStringLiteral(ZKT_BOARD_PATH)).dir().filePath(QStringLiteral("../.."));
    QFile config(build.filePath(QStringLiteral("CPackConfig.cmake")));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly | QIODevice::Text)) << config.fileName().toStdString();
    const QString text = QString::fromUtf8(config.readAll());

    const auto value = [&text](const QString& name) {
        const QRegularExpression set(QStringLiteral("set\\(%1 \"([^\"]*)\"\\)").arg(name));
        return set.match(text).captured(1);
    };
    EXPECT_EQ(value(QStringLiteral("CPACK_GENERATOR")), u"DEB");
    EXPECT_EQ(value(QStringLiteral("CPACK_PACKAGE_NAME")), u"zkt");
    EXPECT_EQ(value(QStringLiteral("CPACK_DEBIAN_PACKAGE_SHLIBDEPS")), u"ON");
    const QStringList depends =
        value(QStringLiteral("CPACK_DEBIAN_PACKAGE_DEPENDS")).split(u',', Qt::SkipEmptyParts);
    QStringList names;
    for (const QString& entry : depends)
        names.append(entry.trimmed().section(u' ', 0, 0));
    EXPECT_TRUE(names.contains(u"fonts-ipafont-gothic"_qs)) << text.toStdString();
}

}  // namespace
