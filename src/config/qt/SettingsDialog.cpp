#include "config/qt/SettingsDialog.h"

#include <algorithm>
#include <array>
#include <limits>

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
#include "common/modZkCommon.h"
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
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

template <class W, class... Args>
W* Make(QWidget* parent, const char* name, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = Make<QPushButton>(parent, name, caption);
    // Enter in a text field must never press a button behind the user's back.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QRect ToPixels(const TwipRect& r, double dpi) {
    return {TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
            TwipsToPixels(r.height, dpi)};
}

QSize ToPixels(const TwipSize& s, double dpi) {
    return {TwipsToPixels(s.width, dpi), TwipsToPixels(s.height, dpi)};
}

TwipSize ToTwips(const QSize& s, double dpi) {
    return {PixelsToTwips(s.width(), dpi), PixelsToTwips(s.height(), dpi)};
}

TwipRect ToTwips(const QRect& r, double dpi) {
    return {PixelsToTwips(r.left(), dpi), PixelsToTwips(r.top(), dpi),
            PixelsToTwips(r.width(), dpi), PixelsToTwips(r.height(), dpi)};
}

qint32 ToInt32(qint64 value) {
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

QString FontCaption(const QString& face) {
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
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* layoutButton = nullptr;
};

SettingsDialog::SettingsDialog(SettingsStore& store, FontColorChooser& chooser, QObject* parent)
    : QObject(parent), store_(store), chooser_(chooser) {}

SettingsDialog::~SettingsDialog() = default;

QDialog* SettingsDialog::openWindow() const { return window_.get(); }

void SettingsDialog::openModal(QWidget* parent) {
    if (window_)
        return;  // already open; the dialog is modal, so this is a re-entry
    Accepted = false;
    modZkCommon::LoadSettings(store_, EditSettings);
    CreateWindow(parent);
    FillControls();
    c_->guestFlagCheck->setFocus();
    window_->exec();
    CopyControlsBack();
    window_.reset();
    c_.reset();
    SaveIfAccepted(parent);
}

void SettingsDialog::SaveIfAccepted(QWidget* parent) {
    if (!Accepted)
        return;
    modZkCommon::SaveSettings(store_, EditSettings);
    if (!store_.lastError().isEmpty())
        QMessageBox::warning(parent, QStringLiteral("環境設定"),
                             QStringLiteral("設定を保存できませんでした。\n") + store_.lastError());
}

void SettingsDialog::CreateWindow(QWidget* parent) {
    window_ = std::make_unique<QDialog>(parent, Qt::Dialog | Qt::WindowTitleHint |
                                                    Qt::WindowCloseButtonHint |
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
    c_->simpleFrame = Make<QFrame>(window_.get(), "simpleFrame");
    c_->detailedFrame = Make<QFrame>(window_.get(), "detailedFrame");
    CreateSimpleFrame();
    CreateDetailedFrame();
    CreateButtons();
    PlaceFrameControls();
    // The settings file holds text of any length: no field cuts what is
    // typed or pasted at QLineEdit's default of 32,767 characters.
    for (QLineEdit* field : {c_->userIdEdit, c_->passwordEdit, c_->handleNameEdit, c_->addressEdit,
                             c_->handleSuffixEdit})
        field->setMaxLength(std::numeric_limits<int>::max());
    SetTabOrder();
    window_->installEventFilter(this);
    for (QWidget* w : window_->findChildren<QWidget*>())
        w->installEventFilter(this);
    ArrangeLayout(kInit);
}

void SettingsDialog::CreateSimpleFrame() {
    QFrame* f = c_->simpleFrame;
    c_->guestFlagCheck = Make<QCheckBox>(f, "guestFlagCheck", QStringLiteral("ゲストでログインをする"));
    Make<QLabel>(f, "userIdLabel", QStringLiteral("UserID"));
    c_->userIdEdit = Make<QLineEdit>(f, "userIdEdit");
    Make<QLabel>(f, "passwordLabel", QStringLiteral("Password"));
    c_->passwordEdit = Make<QLineEdit>(f, "passwordEdit");
    if (!passwordStyle_)
        passwordStyle_ = std::make_unique<StarPasswordStyle>(
            QStyleFactory::create(QApplication::style()->name()));
    c_->passwordEdit->setStyle(passwordStyle_.get());
    c_->passwordEdit->setEchoMode(QLineEdit::Password);
    Make<QLabel>(f, "handleNameLabel", QStringLiteral("HandleName"));
    c_->handleNameEdit = Make<QLineEdit>(f, "handleNameEdit");
    connect(c_->guestFlagCheck, &QCheckBox::toggled, this, &SettingsDialog::ApplyGuestRule);
}

void SettingsDialog::CreateDetailedFrame() {
    QFrame* f = c_->detailedFrame;
    Make<QLabel>(f, "addressLabel", QStringLiteral("接続先アドレス"));
    c_->addressEdit = Make<QLineEdit>(f, "addressEdit");
    Make<QLabel>(f, "portLabel", QStringLiteral("接続先ポート番号"));
    c_->portField = Make<NumberField>(f, "portField", 1, 65535);
    Make<QLabel>(f, "logLinesLabel", QStringLiteral("ログ行数"));
    c_->logLinesField = Make<NumberField>(f, "logLinesField", 0, kLogLinesMax);
    Make<QLabel>(f, "luminosityLabel", QStringLiteral("輝度の設定"));
    c_->luminosityField = Make<NumberField>(f, "luminosityField", 0, kLuminosityMax);
    Make<QLabel>(f, "handleSuffixLabel", QStringLiteral("敬称の設定"));
    c_->handleSuffixEdit = Make<QLineEdit>(f, "handleSuffixEdit");
    c_->handleSuffixEdit->setToolTip(QStringLiteral(
        "ハンドル名をダブルクリックした時に転送される文字列に追加する敬称を設定します。"));
    c_->autoChangeWindowCheck = Make<QCheckBox>(
        f, "autoChangeWindowCheck", QStringLiteral("チャットウィンドウへの切り替えを自動で行う"));
    c_->autoGetHandleNameCheck = Make<QCheckBox>(
        f, "autoGetHandleNameCheck", QStringLiteral("ハンドル名が不明の場合は、自動で取得する"));
    c_->localEchoCheck =
        Make<QCheckBox>(f, "localEchoCheck", QStringLiteral("自分の発言は、ローカルエコーする"));
    c_->localEchoCheck->setToolTip(QStringLiteral(
        "自分の発言をサーバの応答を待たずに表示します。このオプションを設定すると、"
        "メッセージの表示順序が他の人と異なってしまう場合があります。"));
    c_->screenSaveCheck =
        Make<QCheckBox>(f, "screenSaveCheck", QStringLiteral("前回終了時の位置を記録する"));
    c_->changeMyColorCheck =
        Make<QCheckBox>(f, "changeMyColorCheck", QStringLiteral("自分の発言の色を設定する"));
    c_->myColorButton = MakeButton(f, "myColorButton", QStringLiteral("発言色の設定"));
    c_->myColorButton->setEnabled(false);
    c_->saveLogCheck = Make<QCheckBox>(f, "saveLogCheck", QStringLiteral("ログを保存する"));
    c_->saveLogCheck->setEnabled(false);
    c_->logFolderButton = MakeButton(f, "logFolderButton", QStringLiteral("保存先の設定"));
    c_->logFolderButton->setEnabled(false);
    c_->fontButton = MakeButton(f, "fontButton", QStringLiteral("表示フォントの設定"));
    c_->fontButton->setToolTip(
        QStringLiteral("ターミナル・チャット画面の表示フォントの設定を行います。"));
    connect(c_->changeMyColorCheck, &QCheckBox::toggled, this, &SettingsDialog::ApplyMyColorRule);
    connect(c_->myColorButton, &QPushButton::clicked, this, &SettingsDialog::chooseMyColor);
    connect(c_->fontButton, &QPushButton::clicked, this, &SettingsDialog::chooseFont);
}

void SettingsDialog::CreateButtons() {
    QWidget* w = window_.get();
    c_->okButton = MakeButton(w, "okButton", QStringLiteral("更新"));
    c_->cancelButton = MakeButton(w, "cancelButton", QStringLiteral("取消"));
    c_->layoutButton = MakeButton(w, "layoutButton", QStringLiteral("詳細設定"));
    connect(c_->okButton, &QPushButton::clicked, this, [this] { finish(true); });
    connect(c_->cancelButton, &QPushButton::clicked, this, [this] { finish(false); });
    connect(c_->layoutButton, &QPushButton::clicked, this, &SettingsDialog::toggleLayout);
}

void SettingsDialog::PlaceFrameControls() {
    const double dpi = window_->screen()->logicalDotsPerInch();
    const auto place = [dpi](QFrame* frame, TwipSize size, std::span<const ControlPlace> table) {
        frame->resize(ToPixels(size, dpi));
        for (const ControlPlace& p : table) {
            auto* w = frame->findChild<QWidget*>(QLatin1String(p.name),
                                                 Qt::FindDirectChildrenOnly);
            Q_ASSERT(w);
            w->setGeometry(ToPixels(p.rect, dpi));
        }
    };
    place(c_->simpleFrame, kSimpleFrameSize, SimpleFrameControls());
    place(c_->detailedFrame, kDetailedFrameSize, DetailedFrameControls());
    for (QPushButton* b : {c_->okButton, c_->cancelButton, c_->layoutButton})
        b->resize(ToPixels(kButtonSize, dpi));
}

void SettingsDialog::SetTabOrder() {
    const std::array<QWidget*, 21> order{
        c_->guestFlagCheck,        c_->userIdEdit,         c_->passwordEdit,
        c_->handleNameEdit,       c_->addressEdit, c_->portField,
        c_->logLinesField,           c_->luminosityField,     c_->handleSuffixEdit,
        c_->autoChangeWindowCheck, c_->autoGetHandleNameCheck, c_->localEchoCheck,
        c_->screenSaveCheck,       c_->changeMyColorCheck,  c_->myColorButton,
        c_->saveLogCheck,          c_->logFolderButton,    c_->fontButton,
        c_->okButton,           c_->cancelButton,         c_->layoutButton};
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void SettingsDialog::FillControls() {
    const AppSettings& s = EditSettings;
    c_->userIdEdit->setText(s.UserID);
    c_->passwordEdit->setText(s.Password);
    c_->handleNameEdit->setText(s.HandleName);
    c_->guestFlagCheck->setChecked(s.GuestFlag);
    ApplyGuestRule();
    c_->addressEdit->setText(s.ConnectionAddress);
    c_->portField->setValue(s.ConnectionPort);
    c_->luminosityField->setValue(s.Luminosity);
    c_->handleSuffixEdit->setText(s.HandleSuffix);
    c_->localEchoCheck->setChecked(s.LocalEcho);
    c_->autoGetHandleNameCheck->setChecked(s.AutoGetHandleName);
    c_->autoChangeWindowCheck->setChecked(s.AutoChangeWindow);
    c_->screenSaveCheck->setChecked(s.ScreenSave);
    c_->changeMyColorCheck->setChecked(s.ChangeMyColor);
    ApplyMyColorRule();
    c_->fontButton->setText(FontCaption(s.FontName));
}

void SettingsDialog::CopyControlsBack() {
    AppSettings& s = EditSettings;
    s.GuestFlag = c_->guestFlagCheck->isChecked();
    s.UserID = c_->userIdEdit->text();
    s.Password = c_->passwordEdit->text();
    s.HandleName = c_->handleNameEdit->text();
    s.ConnectionAddress = c_->addressEdit->text();
    s.ConnectionPort = c_->portField->settledValue();
    s.Luminosity = c_->luminosityField->settledValue();
    s.HandleSuffix = c_->handleSuffixEdit->text();
    s.LocalEcho = c_->localEchoCheck->isChecked();
    s.AutoChangeWindow = c_->autoChangeWindowCheck->isChecked();
    s.AutoGetHandleName = c_->autoGetHandleNameCheck->isChecked();
    s.ScreenSave = c_->screenSaveCheck->isChecked();
    s.ChangeMyColor = c_->changeMyColorCheck->isChecked();
}

void SettingsDialog::ArrangeLayout(const QString& word) {
    QScreen* screen = window_->screen();
    const double dpi = screen->logicalDotsPerInch();
    Measures m;
    const QRect outer = window_->frameGeometry();
    m.outer = outer == placedPixels_ ? placedOuter_ : ToTwips(outer, dpi);
    m.client = ToTwips(window_->size(), dpi);
    m.simpleFrame = ToTwips(c_->simpleFrame->size(), dpi);
    m.detailedFrame = ToTwips(c_->detailedFrame->size(), dpi);
    m.okButton = ToTwips(c_->okButton->size(), dpi);
    m.screen = ToTwips(screen->geometry(), dpi);
    const Arrangement a = Arrange(word, m);
    if (a.placeFrames) {
        for (QFrame* f : {c_->simpleFrame, c_->detailedFrame})
            f->setFrameShape(QFrame::NoFrame);
        c_->simpleFrame->move(0, 0);
        const TwipPoint origin = DetailedFrameOrigin(m.simpleFrame);
        c_->detailedFrame->move(TwipsToPixels(origin.x, dpi), TwipsToPixels(origin.y, dpi));
    }
    if (a.detailedVisibilityChanged)
        c_->detailedFrame->setVisible(a.detailedVisible);
    if (a.outer != m.outer || a.client != m.client) {
        window_->setFixedSize(ToPixels(a.client, dpi));
        window_->move(TwipsToPixels(a.outer.left, dpi), TwipsToPixels(a.outer.top, dpi));
        placedOuter_ = a.outer;
        placedPixels_ = window_->frameGeometry();
    }
    if (!a.layoutMode.isEmpty())
        LayoutMode = a.layoutMode;
    if (!a.modeCaption.isEmpty())
        c_->layoutButton->setText(a.modeCaption);
    PlaceButtonRow(dpi);
}

void SettingsDialog::PlaceButtonRow(double dpi) {
    const ButtonRow row = PlaceButtons(
        ToTwips(window_->size(), dpi), ToTwips(c_->layoutButton->size(), dpi),
        ToTwips(c_->okButton->size(), dpi), ToTwips(c_->cancelButton->size(), dpi));
    c_->cancelButton->setGeometry(ToPixels(row.cancel, dpi));
    c_->okButton->setGeometry(ToPixels(row.ok, dpi));
    c_->layoutButton->setGeometry(ToPixels(row.mode, dpi));
}

void SettingsDialog::ApplyGuestRule() {
    const bool asUser = !c_->guestFlagCheck->isChecked();
    c_->userIdEdit->setEnabled(asUser);
    c_->passwordEdit->setEnabled(asUser);
}

void SettingsDialog::ApplyMyColorRule() { c_->myColorButton->setEnabled(c_->changeMyColorCheck->isChecked()); }

void SettingsDialog::chooseFont() {
    const std::optional<FontChoice> chosen = chooser_.chooseFont(EditSettings.font(), window_.get());
    if (!chosen)
        return;
    EditSettings.FontName = chosen->name;
    EditSettings.FontSize = ToInt32(modZkCommon::RoundHalfEven(chosen->pointSize));
    EditSettings.FontBold = chosen->bold;
    EditSettings.FontItalic = chosen->italic;
    c_->fontButton->setText(FontCaption(chosen->name));
}

void SettingsDialog::chooseMyColor() {
    if (const std::optional<qint32> chosen = chooser_.chooseColor(EditSettings.MyColor, window_.get()))
        EditSettings.MyColor = *chosen;
}

void SettingsDialog::toggleLayout() {
    if (LayoutMode == kNormal)
        ArrangeLayout(kAdvance);
    else if (LayoutMode == kAdvance)
        ArrangeLayout(kNormal);
    c_->guestFlagCheck->setFocus();
}

void SettingsDialog::finish(bool accept) {
    if (accept)
        Accepted = true;
    window_->close();
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !window_ || !c_)
        return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F12:
        window_->close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return HandleEnter(watched);
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool SettingsDialog::HandleEnter(QObject* watched) {
    if (QWidget* target = EnterTarget(watched)) {
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

QWidget* SettingsDialog::EnterTarget(QObject* from) const {
    const Controls& c = *c_;
    if (from == c.guestFlagCheck)
        return c.guestFlagCheck->isChecked() ? static_cast<QWidget*>(c.handleNameEdit) : c.userIdEdit;
    if (from == c.autoChangeWindowCheck)
        return c.autoGetHandleNameCheck;
    if (from == c.autoGetHandleNameCheck)
        return c.localEchoCheck;
    if (from == c.localEchoCheck)
        return c.screenSaveCheck;
    if (from == c.screenSaveCheck)
        return c.changeMyColorCheck;
    if (from == c.changeMyColorCheck)
        return c.myColorButton->isEnabled() ? static_cast<QWidget*>(c.myColorButton) : c.fontButton;
    if (from == c.myColorButton)
        return c.fontButton;
    if (from == c.fontButton)
        return c.okButton;
    return nullptr;
}
