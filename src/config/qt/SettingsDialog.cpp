#include "config/qt/SettingsDialog.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>
#include <variant>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>

#include "common/SettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "config/ConfigLayout.h"
#include "config/qt/FontColorChooser.h"
#include "controls/qt/NumberField.h"

using namespace ConfigLayout;

namespace {

const QString kControlFace = QStringLiteral("ＭＳ Ｐゴシック");
constexpr double kControlPoints = 9.75;
constexpr int kLogLinesMax = 99999;  // five digits, as the "####0" pattern shows
// Keeps the handle colours' arithmetic within 32 bits.
constexpr int kLuminosityMax = 2175;

// Shows one "*" for each character of a password field.
class StarPasswordStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

template <class W, class... Args> W* make(QWidget* parent, const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = make<QPushButton>(parent, name, caption);
    // Enter in a text field must never press a button behind the user's back.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QRect toPixels(const TwipRect& r, double dpi)
{
    return {twipsToPixels(r.left, dpi), twipsToPixels(r.top, dpi), twipsToPixels(r.width, dpi),
            twipsToPixels(r.height, dpi)};
}

QSize toPixels(const TwipSize& s, double dpi)
{
    return {twipsToPixels(s.width, dpi), twipsToPixels(s.height, dpi)};
}

TwipSize toTwips(const QSize& s, double dpi)
{
    return {pixelsToTwips(s.width(), dpi), pixelsToTwips(s.height(), dpi)};
}

TwipRect toTwips(const QRect& r, double dpi)
{
    return {pixelsToTwips(r.left(), dpi), pixelsToTwips(r.top(), dpi), pixelsToTwips(r.width(), dpi),
            pixelsToTwips(r.height(), dpi)};
}

qint32 toInt32(qint64 value)
{
    return qint32(
        std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

// A control that shows one setting of the record, tied to it where the
// control is made.
using SettingBinding =
    std::variant<std::pair<QLineEdit*, QString AppSettings::*>, std::pair<QCheckBox*, bool AppSettings::*>,
                 std::pair<NumberField*, qint32 AppSettings::*>>;

template <class W, class V>
W* bound(std::vector<SettingBinding>& bindings, W* control, V AppSettings::*setting)
{
    bindings.push_back(std::pair{control, setting});
    return control;
}

// One callable made of several lambdas, each taking its own kind of control.
template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

QString fontCaption(const QString& face)
{
    return QStringLiteral("表示フォントの設定 [") + face + QStringLiteral("]");
}

}  // namespace

struct SettingsDialog::Controls {
    QFrame* simpleFrame = nullptr;
    QFrame* detailedFrame = nullptr;
    QCheckBox* guestFlagCheck = nullptr;
    QLineEdit* userIdEdit = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QLineEdit* handleNameEdit = nullptr;
    QLineEdit* addressEdit = nullptr;
    NumberField* portField = nullptr;
    NumberField* logLinesField = nullptr;
    NumberField* luminosityField = nullptr;
    QLineEdit* handleSuffixEdit = nullptr;
    QCheckBox* autoChangeWindowCheck = nullptr;
    QCheckBox* autoGetHandleNameCheck = nullptr;
    QCheckBox* localEchoCheck = nullptr;
    QCheckBox* screenSaveCheck = nullptr;
    QCheckBox* changeMyColorCheck = nullptr;
    QPushButton* myColorButton = nullptr;
    QCheckBox* saveLogCheck = nullptr;
    QPushButton* logFolderButton = nullptr;
    QPushButton* fontButton = nullptr;
    QCheckBox* readableColorsCheck = nullptr;
    QCheckBox* notifyMentionCheck = nullptr;
    QCheckBox* autoReconnectCheck = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* layoutButton = nullptr;
    std::vector<SettingBinding> bindings;
};

SettingsDialog::SettingsDialog(SettingsStore& store, FontColorChooser& chooser, QObject* parent)
    : QObject(parent), store_(store), chooser_(chooser)
{}

SettingsDialog::~SettingsDialog() = default;

QDialog* SettingsDialog::openWindow() const
{
    return window_.get();
}

void SettingsDialog::openModal(QWidget* parent)
{
    if (window_)
        return;  // already open; the dialog is modal, so this is a re-entry
    accepted_ = false;
    SettingsLookup::loadSettings(store_, editSettings_);
    createWindow(parent);
    fillControls();
    c_->guestFlagCheck->setFocus();
    window_->exec();
    copyControlsBack();
    window_.reset();
    c_.reset();
    saveIfAccepted(parent);
}

void SettingsDialog::saveIfAccepted(QWidget* parent)
{
    if (!accepted_)
        return;
    SettingsLookup::saveSettings(store_, editSettings_);
    if (!store_.lastError().isEmpty())
        QMessageBox::warning(parent, QStringLiteral("環境設定"),
                             QStringLiteral("設定を保存できませんでした。\n") + store_.lastError());
}

void SettingsDialog::createWindow(QWidget* parent)
{
    window_ = std::make_unique<QDialog>(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                    Qt::MSWindowsFixedSizeDialogHint);
    window_->setObjectName(QStringLiteral("settingsDialog"));
    window_->setWindowTitle(QStringLiteral("環境設定"));
    QFont font(kControlFace);
    font.setPointSizeF(kControlPoints);
    window_->setFont(font);
    if (parent)
        window_->setScreen(parent->screen());
    // With its native window made now, the frame's size is known to the
    // centring where the platform tells it before the window is shown.
    window_->winId();
    placedPixels_ = QRect();
    c_ = std::make_unique<Controls>();
    c_->simpleFrame = make<QFrame>(window_.get(), "simpleFrame");
    c_->detailedFrame = make<QFrame>(window_.get(), "detailedFrame");
    createSimpleFrame();
    createDetailedFrame();
    createButtons();
    placeFrameControls();
    // The settings file holds text of any length: no field cuts what is
    // typed or pasted at QLineEdit's default of 32,767 characters.
    for (QLineEdit* field :
         {c_->userIdEdit, c_->passwordEdit, c_->handleNameEdit, c_->addressEdit, c_->handleSuffixEdit})
        field->setMaxLength(std::numeric_limits<int>::max());
    chainTabOrder();
    window_->installEventFilter(this);
    for (QWidget* w : window_->findChildren<QWidget*>())
        w->installEventFilter(this);
    arrangeLayout(kInit);
}

void SettingsDialog::createSimpleFrame()
{
    QFrame* f = c_->simpleFrame;
    c_->guestFlagCheck =
        bound(c_->bindings, make<QCheckBox>(f, "guestFlagCheck", QStringLiteral("ゲストでログインをする")),
              &AppSettings::GuestFlag);
    make<QLabel>(f, "userIdLabel", QStringLiteral("UserID"));
    c_->userIdEdit = bound(c_->bindings, make<QLineEdit>(f, "userIdEdit"), &AppSettings::UserID);
    make<QLabel>(f, "passwordLabel", QStringLiteral("Password"));
    c_->passwordEdit = bound(c_->bindings, make<QLineEdit>(f, "passwordEdit"), &AppSettings::Password);
    if (!passwordStyle_)
        passwordStyle_ =
            std::make_unique<StarPasswordStyle>(QStyleFactory::create(QApplication::style()->name()));
    c_->passwordEdit->setStyle(passwordStyle_.get());
    c_->passwordEdit->setEchoMode(QLineEdit::Password);
    make<QLabel>(f, "handleNameLabel", QStringLiteral("HandleName"));
    c_->handleNameEdit = bound(c_->bindings, make<QLineEdit>(f, "handleNameEdit"), &AppSettings::HandleName);
    connect(c_->guestFlagCheck, &QCheckBox::toggled, this, &SettingsDialog::applyGuestRule);
}

void SettingsDialog::createDetailedFrame()
{
    QFrame* f = c_->detailedFrame;
    make<QLabel>(f, "addressLabel", QStringLiteral("接続先アドレス"));
    c_->addressEdit = bound(c_->bindings, make<QLineEdit>(f, "addressEdit"), &AppSettings::ConnectionAddress);
    make<QLabel>(f, "portLabel", QStringLiteral("接続先ポート番号"));
    c_->portField =
        bound(c_->bindings, make<NumberField>(f, "portField", 1, 65535), &AppSettings::ConnectionPort);
    make<QLabel>(f, "logLinesLabel", QStringLiteral("ログ行数"));
    c_->logLinesField =
        bound(c_->bindings, make<NumberField>(f, "logLinesField", 0, kLogLinesMax), &AppSettings::LogLines);
    make<QLabel>(f, "luminosityLabel", QStringLiteral("輝度の設定"));
    c_->luminosityField = bound(c_->bindings, make<NumberField>(f, "luminosityField", 0, kLuminosityMax),
                                &AppSettings::Luminosity);
    make<QLabel>(f, "handleSuffixLabel", QStringLiteral("敬称の設定"));
    c_->handleSuffixEdit =
        bound(c_->bindings, make<QLineEdit>(f, "handleSuffixEdit"), &AppSettings::HandleSuffix);
    c_->handleSuffixEdit->setToolTip(
        QStringLiteral("ハンドル名をダブルクリックした時に転送される文字列に追加する敬称を設定します。"));
    c_->autoChangeWindowCheck =
        bound(c_->bindings,
              make<QCheckBox>(f, "autoChangeWindowCheck",
                              QStringLiteral("チャットウィンドウへの切り替えを自動で行う")),
              &AppSettings::AutoChangeWindow);
    c_->autoGetHandleNameCheck =
        bound(c_->bindings,
              make<QCheckBox>(f, "autoGetHandleNameCheck",
                              QStringLiteral("ハンドル名が不明の場合は、自動で取得する")),
              &AppSettings::AutoGetHandleName);
    c_->localEchoCheck =
        bound(c_->bindings,
              make<QCheckBox>(f, "localEchoCheck", QStringLiteral("自分の発言は、ローカルエコーする")),
              &AppSettings::LocalEcho);
    c_->localEchoCheck->setToolTip(
        QStringLiteral("自分の発言をサーバの応答を待たずに表示します。このオプションを設定すると、"
                       "メッセージの表示順序が他の人と異なってしまう場合があります。"));
    c_->screenSaveCheck = bound(
        c_->bindings, make<QCheckBox>(f, "screenSaveCheck", QStringLiteral("前回終了時の位置を記録する")),
        &AppSettings::ScreenSave);
    c_->changeMyColorCheck = bound(
        c_->bindings, make<QCheckBox>(f, "changeMyColorCheck", QStringLiteral("自分の発言の色を設定する")),
        &AppSettings::ChangeMyColor);
    c_->myColorButton = makeButton(f, "myColorButton", QStringLiteral("発言色の設定"));
    c_->myColorButton->setEnabled(false);
    c_->saveLogCheck =
        bound(c_->bindings, make<QCheckBox>(f, "saveLogCheck", QStringLiteral("ログを保存する")),
              &AppSettings::SaveLog);
    c_->logFolderButton = makeButton(f, "logFolderButton", QStringLiteral("保存先の設定"));
    c_->logFolderButton->setEnabled(false);
    c_->fontButton = makeButton(f, "fontButton", QStringLiteral("表示フォントの設定"));
    c_->fontButton->setToolTip(QStringLiteral("ターミナル・チャット画面の表示フォントの設定を行います。"));
    c_->readableColorsCheck =
        bound(c_->bindings, make<QCheckBox>(f, "readableColorsCheck", QStringLiteral("読みやすい色にする")),
              &AppSettings::ReadableColors);
    c_->notifyMentionCheck = bound(
        c_->bindings,
        make<QCheckBox>(f, "notifyMentionCheck", QStringLiteral("自分のハンドル名を含む発言を知らせる")),
        &AppSettings::NotifyMention);
    c_->autoReconnectCheck =
        bound(c_->bindings,
              make<QCheckBox>(f, "autoReconnectCheck", QStringLiteral("切断されたら自動で再接続する")),
              &AppSettings::AutoReconnect);
    connect(c_->saveLogCheck, &QCheckBox::toggled, this, &SettingsDialog::applySaveLogRule);
    connect(c_->logFolderButton, &QPushButton::clicked, this, &SettingsDialog::chooseLogFolder);
    connect(c_->changeMyColorCheck, &QCheckBox::toggled, this, &SettingsDialog::applyMyColorRule);
    connect(c_->myColorButton, &QPushButton::clicked, this, &SettingsDialog::chooseMyColor);
    connect(c_->fontButton, &QPushButton::clicked, this, &SettingsDialog::chooseFont);
}

void SettingsDialog::createButtons()
{
    QWidget* w = window_.get();
    c_->okButton = makeButton(w, "okButton", QStringLiteral("更新"));
    c_->cancelButton = makeButton(w, "cancelButton", QStringLiteral("取消"));
    c_->layoutButton = makeButton(w, "layoutButton", QStringLiteral("詳細設定"));
    connect(c_->okButton, &QPushButton::clicked, this, [this] { finish(true); });
    connect(c_->cancelButton, &QPushButton::clicked, this, [this] { finish(false); });
    connect(c_->layoutButton, &QPushButton::clicked, this, &SettingsDialog::toggleLayout);
}

void SettingsDialog::placeFrameControls()
{
    const double dpi = window_->screen()->logicalDotsPerInch();
    const auto place = [dpi](QFrame* frame, TwipSize size, std::span<const ControlPlace> table) {
        frame->resize(toPixels(size, dpi));
        for (const ControlPlace& p : table) {
            auto* w = frame->findChild<QWidget*>(QLatin1String(p.name), Qt::FindDirectChildrenOnly);
            Q_ASSERT(w);
            w->setGeometry(toPixels(p.rect, dpi));
        }
    };
    place(c_->simpleFrame, kSimpleFrameSize, simpleFrameControls());
    place(c_->detailedFrame, kDetailedFrameSize, detailedFrameControls());
    for (QPushButton* b : {c_->okButton, c_->cancelButton, c_->layoutButton})
        b->resize(toPixels(kButtonSize, dpi));
}

void SettingsDialog::chainTabOrder()
{
    const std::array<QWidget*, 24> order{c_->guestFlagCheck,
                                         c_->userIdEdit,
                                         c_->passwordEdit,
                                         c_->handleNameEdit,
                                         c_->addressEdit,
                                         c_->portField,
                                         c_->logLinesField,
                                         c_->luminosityField,
                                         c_->handleSuffixEdit,
                                         c_->autoChangeWindowCheck,
                                         c_->autoGetHandleNameCheck,
                                         c_->localEchoCheck,
                                         c_->screenSaveCheck,
                                         c_->changeMyColorCheck,
                                         c_->myColorButton,
                                         c_->saveLogCheck,
                                         c_->logFolderButton,
                                         c_->fontButton,
                                         c_->readableColorsCheck,
                                         c_->notifyMentionCheck,
                                         c_->autoReconnectCheck,
                                         c_->okButton,
                                         c_->cancelButton,
                                         c_->layoutButton};
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

// Every control that shows one setting, with that setting of the working
// copy: filled at opening, read back at closing.
template <typename Visit> void SettingsDialog::visitSettingControls(Visit visit)
{
    for (const SettingBinding& binding : c_->bindings)
        std::visit([&](const auto& b) { visit(b.first, editSettings_.*b.second); }, binding);
}

void SettingsDialog::fillControls()
{
    visitSettingControls(Overloaded{[](QLineEdit* edit, const QString& text) { edit->setText(text); },
                                    [](QCheckBox* check, bool on) { check->setChecked(on); },
                                    [](NumberField* field, qint32 value) { field->setValue(value); }});
    // A box already showing its setting emits no toggled().
    applyGuestRule();
    applyMyColorRule();
    applySaveLogRule();
    c_->fontButton->setText(fontCaption(editSettings_.FontName));
    c_->logFolderButton->setToolTip(editSettings_.LogFolder);
}

void SettingsDialog::copyControlsBack()
{
    visitSettingControls(
        Overloaded{[](QLineEdit* edit, QString& text) { text = edit->text(); },
                   [](QCheckBox* check, bool& on) { on = check->isChecked(); },
                   [](NumberField* field, qint32& value) { value = field->settledValue(); }});
}

void SettingsDialog::arrangeLayout(const QString& word)
{
    QScreen* screen = window_->screen();
    const double dpi = screen->logicalDotsPerInch();
    Measures m;
    const QRect outer = window_->frameGeometry();
    m.outer = outer == placedPixels_ ? placedOuter_ : toTwips(outer, dpi);
    m.client = toTwips(window_->size(), dpi);
    m.simpleFrame = toTwips(c_->simpleFrame->size(), dpi);
    m.detailedFrame = toTwips(c_->detailedFrame->size(), dpi);
    m.okButton = toTwips(c_->okButton->size(), dpi);
    m.screen = toTwips(screen->geometry(), dpi);
    const Arrangement a = arrange(word, m);
    if (a.placeFrames) {
        for (QFrame* f : {c_->simpleFrame, c_->detailedFrame})
            f->setFrameShape(QFrame::NoFrame);
        c_->simpleFrame->move(0, 0);
        const TwipPoint origin = detailedFrameOrigin(m.simpleFrame);
        c_->detailedFrame->move(twipsToPixels(origin.x, dpi), twipsToPixels(origin.y, dpi));
    }
    if (a.detailedVisibilityChanged)
        c_->detailedFrame->setVisible(a.detailedVisible);
    if (a.outer != m.outer || a.client != m.client) {
        window_->setFixedSize(toPixels(a.client, dpi));
        window_->move(twipsToPixels(a.outer.left, dpi), twipsToPixels(a.outer.top, dpi));
        placedOuter_ = a.outer;
        placedPixels_ = window_->frameGeometry();
    }
    if (!a.layoutMode.isEmpty())
        layoutMode_ = a.layoutMode;
    if (!a.modeCaption.isEmpty())
        c_->layoutButton->setText(a.modeCaption);
    placeButtonRow(dpi);
}

void SettingsDialog::placeButtonRow(double dpi)
{
    const ButtonRow row =
        placeButtons(toTwips(window_->size(), dpi), toTwips(c_->layoutButton->size(), dpi),
                     toTwips(c_->okButton->size(), dpi), toTwips(c_->cancelButton->size(), dpi));
    c_->cancelButton->setGeometry(toPixels(row.cancel, dpi));
    c_->okButton->setGeometry(toPixels(row.ok, dpi));
    c_->layoutButton->setGeometry(toPixels(row.mode, dpi));
}

void SettingsDialog::applyGuestRule()
{
    const bool asUser = !c_->guestFlagCheck->isChecked();
    c_->userIdEdit->setEnabled(asUser);
    c_->passwordEdit->setEnabled(asUser);
}

void SettingsDialog::applyMyColorRule()
{
    c_->myColorButton->setEnabled(c_->changeMyColorCheck->isChecked());
}

void SettingsDialog::applySaveLogRule()
{
    c_->logFolderButton->setEnabled(c_->saveLogCheck->isChecked());
}

// Like the font and colour, the folder goes into the working copy at once;
// a cancelled choice changes nothing.
void SettingsDialog::chooseLogFolder()
{
    if (const std::optional<QString> chosen = chooser_.chooseFolder(editSettings_.LogFolder, window_.get())) {
        editSettings_.LogFolder = *chosen;
        c_->logFolderButton->setToolTip(*chosen);
    }
}

void SettingsDialog::chooseFont()
{
    const std::optional<FontChoice> chosen = chooser_.chooseFont(editSettings_.font(), window_.get());
    if (!chosen)
        return;
    editSettings_.FontName = chosen->name;
    editSettings_.FontSize = toInt32(TextHelpers::roundHalfEven(chosen->pointSize));
    editSettings_.FontBold = chosen->bold;
    editSettings_.FontItalic = chosen->italic;
    c_->fontButton->setText(fontCaption(chosen->name));
}

void SettingsDialog::chooseMyColor()
{
    if (const std::optional<qint32> chosen = chooser_.chooseColor(editSettings_.MyColor, window_.get()))
        editSettings_.MyColor = *chosen;
}

void SettingsDialog::toggleLayout()
{
    if (layoutMode_ == kNormal)
        arrangeLayout(kAdvance);
    else if (layoutMode_ == kAdvance)
        arrangeLayout(kNormal);
    c_->guestFlagCheck->setFocus();
}

void SettingsDialog::finish(bool accept)
{
    if (accept)
        accepted_ = true;
    window_->close();
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !window_ || !c_)
        return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F12:
        window_->close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return handleEnter(watched);
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool SettingsDialog::handleEnter(QObject* watched)
{
    if (QWidget* target = enterTarget(watched)) {
        target->setFocus(Qt::TabFocusReason);
        return true;
    }
    for (QPushButton* b : {c_->okButton, c_->cancelButton, c_->layoutButton}) {
        if (watched == b) {
            b->click();
            return true;
        }
    }
    // In the text and number fields Enter goes on to the next control.
    if (qobject_cast<QLineEdit*>(watched) || qobject_cast<NumberField*>(watched)) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(watched, &tab);
        return true;
    }
    return false;
}

QWidget* SettingsDialog::enterTarget(QObject* from) const
{
    const Controls& c = *c_;
    if (from == c.guestFlagCheck)
        return c.guestFlagCheck->isChecked() ? static_cast<QWidget*>(c.handleNameEdit) : c.userIdEdit;
    // Along the check boxes and buttons, passing a disabled colour button.
    if (from == c.changeMyColorCheck && !c.myColorButton->isEnabled())
        return c.fontButton;
    if (from == c.saveLogCheck)
        return c.logFolderButton->isEnabled() ? static_cast<QWidget*>(c.logFolderButton) : c.fontButton;
    if (from == c.logFolderButton)
        return c.fontButton;
    if (from == c.readableColorsCheck)
        return c.notifyMentionCheck;
    if (from == c.notifyMentionCheck)
        return c.autoReconnectCheck;
    if (from == c.autoReconnectCheck)
        return c.okButton;
    const std::array<QWidget*, 8> path = {
        c.autoChangeWindowCheck, c.autoGetHandleNameCheck, c.localEchoCheck, c.screenSaveCheck,
        c.changeMyColorCheck,    c.myColorButton,          c.fontButton,     c.okButton};
    const auto at = std::find(path.begin(), path.end() - 1, from);
    return at == path.end() - 1 ? nullptr : *(at + 1);
}
