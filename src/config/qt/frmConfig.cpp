#include "config/qt/frmConfig.h"

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

struct frmConfig::Controls {
    std::array<QFrame*, 2> fraBase{};
    QCheckBox* chkGuestFlag = nullptr;
    QLineEdit* imtUserID = nullptr;
    QLineEdit* imtPassword = nullptr;
    QLineEdit* imtHandleName = nullptr;
    QLineEdit* imtConnectionAddress = nullptr;
    NumberField* imnConnectionPort = nullptr;
    NumberField* imNumber2 = nullptr;
    NumberField* imnLuminosity = nullptr;
    QLineEdit* imtHandleSuffix = nullptr;
    QCheckBox* chkAutoChangeWindow = nullptr;
    QCheckBox* chkAutoGetHandleName = nullptr;
    QCheckBox* chkLocalEcho = nullptr;
    QCheckBox* chkScreenSave = nullptr;
    QCheckBox* chkChangeMyColor = nullptr;
    QPushButton* cmdMyColor = nullptr;
    QCheckBox* chkSaveLog = nullptr;
    QPushButton* cmdSaveLogFile = nullptr;
    QPushButton* cmdFont = nullptr;
    std::array<QPushButton*, 2> cmdEnd{};
    QPushButton* cmdMode = nullptr;
};

frmConfig::frmConfig(SettingsStore& store, FontColorChooser& chooser, QObject* parent)
    : QObject(parent), store_(store), chooser_(chooser) {}

frmConfig::~frmConfig() = default;

QDialog* frmConfig::openWindow() const { return window_.get(); }

void frmConfig::AppWin_Config(QWidget* parent) {
    if (window_)
        return;  // already open; the dialog is modal, so this is a re-entry
    Accepted = false;
    modZkCommon::LoadSettings(store_, EditSettings);
    CreateWindow(parent);
    FillControls();
    c_->chkGuestFlag->setFocus();
    window_->exec();
    CopyControlsBack();
    window_.reset();
    c_.reset();
    SaveIfAccepted(parent);
}

void frmConfig::SaveIfAccepted(QWidget* parent) {
    if (!Accepted)
        return;
    modZkCommon::SaveSettings(store_, EditSettings);
    if (!store_.lastError().isEmpty())
        QMessageBox::warning(parent, QStringLiteral("環境設定"),
                             QStringLiteral("設定を保存できませんでした。\n") + store_.lastError());
}

void frmConfig::CreateWindow(QWidget* parent) {
    window_ = std::make_unique<QDialog>(parent, Qt::Dialog | Qt::WindowTitleHint |
                                                    Qt::WindowCloseButtonHint |
                                                    Qt::MSWindowsFixedSizeDialogHint);
    window_->setObjectName(QStringLiteral("frmConfig"));
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
    c_->fraBase[0] = Make<QFrame>(window_.get(), "fraBase0");
    c_->fraBase[1] = Make<QFrame>(window_.get(), "fraBase1");
    CreateSimpleFrame();
    CreateDetailedFrame();
    CreateButtons();
    PlaceFrameControls();
    // The settings file holds text of any length: no field cuts what is
    // typed or pasted at QLineEdit's default of 32,767 characters.
    for (QLineEdit* field : {c_->imtUserID, c_->imtPassword, c_->imtHandleName, c_->imtConnectionAddress,
                             c_->imtHandleSuffix})
        field->setMaxLength(std::numeric_limits<int>::max());
    SetTabOrder();
    window_->installEventFilter(this);
    for (QWidget* w : window_->findChildren<QWidget*>())
        w->installEventFilter(this);
    ArrangeLayout(kInit);
}

void frmConfig::CreateSimpleFrame() {
    QFrame* f = c_->fraBase[0];
    c_->chkGuestFlag = Make<QCheckBox>(f, "chkGuestFlag", QStringLiteral("ゲストでログインをする"));
    Make<QLabel>(f, "lblUserID", QStringLiteral("UserID"));
    c_->imtUserID = Make<QLineEdit>(f, "imtUserID");
    Make<QLabel>(f, "lblPassword", QStringLiteral("Password"));
    c_->imtPassword = Make<QLineEdit>(f, "imtPassword");
    if (!passwordStyle_)
        passwordStyle_ = std::make_unique<StarPasswordStyle>(
            QStyleFactory::create(QApplication::style()->name()));
    c_->imtPassword->setStyle(passwordStyle_.get());
    c_->imtPassword->setEchoMode(QLineEdit::Password);
    Make<QLabel>(f, "lblHandleName", QStringLiteral("HandleName"));
    c_->imtHandleName = Make<QLineEdit>(f, "imtHandleName");
    connect(c_->chkGuestFlag, &QCheckBox::toggled, this, &frmConfig::ApplyGuestRule);
}

void frmConfig::CreateDetailedFrame() {
    QFrame* f = c_->fraBase[1];
    Make<QLabel>(f, "Label3", QStringLiteral("接続先アドレス"));
    c_->imtConnectionAddress = Make<QLineEdit>(f, "imtConnectionAddress");
    Make<QLabel>(f, "Label4", QStringLiteral("接続先ポート番号"));
    c_->imnConnectionPort = Make<NumberField>(f, "imnConnectionPort", 1, 65535);
    Make<QLabel>(f, "Label2", QStringLiteral("ログ行数"));
    c_->imNumber2 = Make<NumberField>(f, "imNumber2", 0, kLogLinesMax);
    Make<QLabel>(f, "lblLuminosity", QStringLiteral("輝度の設定"));
    c_->imnLuminosity = Make<NumberField>(f, "imnLuminosity", 0, kLuminosityMax);
    Make<QLabel>(f, "lblHandleSuffix", QStringLiteral("敬称の設定"));
    c_->imtHandleSuffix = Make<QLineEdit>(f, "imtHandleSuffix");
    c_->imtHandleSuffix->setToolTip(QStringLiteral(
        "ハンドル名をダブルクリックした時に転送される文字列に追加する敬称を設定します。"));
    c_->chkAutoChangeWindow = Make<QCheckBox>(
        f, "chkAutoChangeWindow", QStringLiteral("チャットウィンドウへの切り替えを自動で行う"));
    c_->chkAutoGetHandleName = Make<QCheckBox>(
        f, "chkAutoGetHandleName", QStringLiteral("ハンドル名が不明の場合は、自動で取得する"));
    c_->chkLocalEcho =
        Make<QCheckBox>(f, "chkLocalEcho", QStringLiteral("自分の発言は、ローカルエコーする"));
    c_->chkLocalEcho->setToolTip(QStringLiteral(
        "自分の発言をサーバの応答を待たずに表示します。このオプションを設定すると、"
        "メッセージの表示順序が他の人と異なってしまう場合があります。"));
    c_->chkScreenSave =
        Make<QCheckBox>(f, "chkScreenSave", QStringLiteral("前回終了時の位置を記録する"));
    c_->chkChangeMyColor =
        Make<QCheckBox>(f, "chkChangeMyColor", QStringLiteral("自分の発言の色を設定する"));
    c_->cmdMyColor = MakeButton(f, "cmdMyColor", QStringLiteral("発言色の設定"));
    c_->cmdMyColor->setEnabled(false);
    c_->chkSaveLog = Make<QCheckBox>(f, "chkSaveLog", QStringLiteral("ログを保存する"));
    c_->chkSaveLog->setEnabled(false);
    c_->cmdSaveLogFile = MakeButton(f, "cmdSaveLogFile", QStringLiteral("保存先の設定"));
    c_->cmdSaveLogFile->setEnabled(false);
    c_->cmdFont = MakeButton(f, "cmdFont", QStringLiteral("表示フォントの設定"));
    c_->cmdFont->setToolTip(
        QStringLiteral("ターミナル・チャット画面の表示フォントの設定を行います。"));
    connect(c_->chkChangeMyColor, &QCheckBox::toggled, this, &frmConfig::ApplyMyColorRule);
    connect(c_->cmdMyColor, &QPushButton::clicked, this, &frmConfig::cmdMyColor_Click);
    connect(c_->cmdFont, &QPushButton::clicked, this, &frmConfig::cmdFont_Click);
}

void frmConfig::CreateButtons() {
    QWidget* w = window_.get();
    c_->cmdEnd[0] = MakeButton(w, "cmdEnd0", QStringLiteral("更新"));
    c_->cmdEnd[1] = MakeButton(w, "cmdEnd1", QStringLiteral("取消"));
    c_->cmdMode = MakeButton(w, "cmdMode", QStringLiteral("詳細設定"));
    for (int i = 0; i < 2; ++i)
        connect(c_->cmdEnd[i], &QPushButton::clicked, this, [this, i] { cmdEnd_Click(i); });
    connect(c_->cmdMode, &QPushButton::clicked, this, &frmConfig::cmdMode_Click);
}

void frmConfig::PlaceFrameControls() {
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
    place(c_->fraBase[0], kSimpleFrameSize, SimpleFrameControls());
    place(c_->fraBase[1], kDetailedFrameSize, DetailedFrameControls());
    for (QPushButton* b : {c_->cmdEnd[0], c_->cmdEnd[1], c_->cmdMode})
        b->resize(ToPixels(kButtonSize, dpi));
}

void frmConfig::SetTabOrder() {
    const std::array<QWidget*, 21> order{
        c_->chkGuestFlag,        c_->imtUserID,         c_->imtPassword,
        c_->imtHandleName,       c_->imtConnectionAddress, c_->imnConnectionPort,
        c_->imNumber2,           c_->imnLuminosity,     c_->imtHandleSuffix,
        c_->chkAutoChangeWindow, c_->chkAutoGetHandleName, c_->chkLocalEcho,
        c_->chkScreenSave,       c_->chkChangeMyColor,  c_->cmdMyColor,
        c_->chkSaveLog,          c_->cmdSaveLogFile,    c_->cmdFont,
        c_->cmdEnd[0],           c_->cmdEnd[1],         c_->cmdMode};
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmConfig::FillControls() {
    const AppSettings& s = EditSettings;
    c_->imtUserID->setText(s.UserID);
    c_->imtPassword->setText(s.Password);
    c_->imtHandleName->setText(s.HandleName);
    c_->chkGuestFlag->setChecked(s.GuestFlag);
    ApplyGuestRule();
    c_->imtConnectionAddress->setText(s.ConnectionAddress);
    c_->imnConnectionPort->setValue(s.ConnectionPort);
    c_->imnLuminosity->setValue(s.Luminosity);
    c_->imtHandleSuffix->setText(s.HandleSuffix);
    c_->chkLocalEcho->setChecked(s.LocalEcho);
    c_->chkAutoGetHandleName->setChecked(s.AutoGetHandleName);
    c_->chkAutoChangeWindow->setChecked(s.AutoChangeWindow);
    c_->chkScreenSave->setChecked(s.ScreenSave);
    c_->chkChangeMyColor->setChecked(s.ChangeMyColor);
    ApplyMyColorRule();
    c_->cmdFont->setText(FontCaption(s.FontName));
}

void frmConfig::CopyControlsBack() {
    AppSettings& s = EditSettings;
    s.GuestFlag = c_->chkGuestFlag->isChecked();
    s.UserID = c_->imtUserID->text();
    s.Password = c_->imtPassword->text();
    s.HandleName = c_->imtHandleName->text();
    s.ConnectionAddress = c_->imtConnectionAddress->text();
    s.ConnectionPort = c_->imnConnectionPort->settledValue();
    s.Luminosity = c_->imnLuminosity->settledValue();
    s.HandleSuffix = c_->imtHandleSuffix->text();
    s.LocalEcho = c_->chkLocalEcho->isChecked();
    s.AutoChangeWindow = c_->chkAutoChangeWindow->isChecked();
    s.AutoGetHandleName = c_->chkAutoGetHandleName->isChecked();
    s.ScreenSave = c_->chkScreenSave->isChecked();
    s.ChangeMyColor = c_->chkChangeMyColor->isChecked();
}

void frmConfig::ArrangeLayout(const QString& word) {
    QScreen* screen = window_->screen();
    const double dpi = screen->logicalDotsPerInch();
    Measures m;
    const QRect outer = window_->frameGeometry();
    m.outer = outer == placedPixels_ ? placedOuter_ : ToTwips(outer, dpi);
    m.client = ToTwips(window_->size(), dpi);
    m.simpleFrame = ToTwips(c_->fraBase[0]->size(), dpi);
    m.detailedFrame = ToTwips(c_->fraBase[1]->size(), dpi);
    m.okButton = ToTwips(c_->cmdEnd[0]->size(), dpi);
    m.screen = ToTwips(screen->geometry(), dpi);
    const Arrangement a = Arrange(word, m);
    if (a.placeFrames) {
        for (QFrame* f : c_->fraBase)
            f->setFrameShape(QFrame::NoFrame);
        c_->fraBase[0]->move(0, 0);
        const TwipPoint origin = DetailedFrameOrigin(m.simpleFrame);
        c_->fraBase[1]->move(TwipsToPixels(origin.x, dpi), TwipsToPixels(origin.y, dpi));
    }
    if (a.detailedVisibilityChanged)
        c_->fraBase[1]->setVisible(a.detailedVisible);
    if (a.outer != m.outer || a.client != m.client) {
        window_->setFixedSize(ToPixels(a.client, dpi));
        window_->move(TwipsToPixels(a.outer.left, dpi), TwipsToPixels(a.outer.top, dpi));
        placedOuter_ = a.outer;
        placedPixels_ = window_->frameGeometry();
    }
    if (!a.layoutMode.isEmpty())
        LayoutMode = a.layoutMode;
    if (!a.modeCaption.isEmpty())
        c_->cmdMode->setText(a.modeCaption);
    PlaceButtonRow(dpi);
}

void frmConfig::PlaceButtonRow(double dpi) {
    const ButtonRow row = PlaceButtons(
        ToTwips(window_->size(), dpi), ToTwips(c_->cmdMode->size(), dpi),
        ToTwips(c_->cmdEnd[0]->size(), dpi), ToTwips(c_->cmdEnd[1]->size(), dpi));
    c_->cmdEnd[1]->setGeometry(ToPixels(row.cancel, dpi));
    c_->cmdEnd[0]->setGeometry(ToPixels(row.ok, dpi));
    c_->cmdMode->setGeometry(ToPixels(row.mode, dpi));
}

void frmConfig::ApplyGuestRule() {
    const bool asUser = !c_->chkGuestFlag->isChecked();
    c_->imtUserID->setEnabled(asUser);
    c_->imtPassword->setEnabled(asUser);
}

void frmConfig::ApplyMyColorRule() { c_->cmdMyColor->setEnabled(c_->chkChangeMyColor->isChecked()); }

void frmConfig::cmdFont_Click() {
    const std::optional<FontChoice> chosen = chooser_.chooseFont(EditSettings.font(), window_.get());
    if (!chosen)
        return;
    EditSettings.FontName = chosen->name;
    EditSettings.FontSize = ToInt32(modZkCommon::RoundHalfEven(chosen->pointSize));
    EditSettings.FontBold = chosen->bold;
    EditSettings.FontItalic = chosen->italic;
    c_->cmdFont->setText(FontCaption(chosen->name));
}

void frmConfig::cmdMyColor_Click() {
    if (const std::optional<qint32> chosen = chooser_.chooseColor(EditSettings.MyColor, window_.get()))
        EditSettings.MyColor = *chosen;
}

void frmConfig::cmdMode_Click() {
    if (LayoutMode == kNormal)
        ArrangeLayout(kAdvance);
    else if (LayoutMode == kAdvance)
        ArrangeLayout(kNormal);
    c_->chkGuestFlag->setFocus();
}

void frmConfig::cmdEnd_Click(int index) {
    if (index == 0)
        Accepted = true;
    window_->close();
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event) {
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

bool frmConfig::HandleEnter(QObject* watched) {
    if (QWidget* target = EnterTarget(watched)) {
        target->setFocus(Qt::TabFocusReason);
        return true;
    }
    for (QPushButton* b : {c_->cmdEnd[0], c_->cmdEnd[1], c_->cmdMode}) {
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

QWidget* frmConfig::EnterTarget(QObject* from) const {
    const Controls& c = *c_;
    if (from == c.chkGuestFlag)
        return c.chkGuestFlag->isChecked() ? static_cast<QWidget*>(c.imtHandleName) : c.imtUserID;
    if (from == c.chkAutoChangeWindow)
        return c.chkAutoGetHandleName;
    if (from == c.chkAutoGetHandleName)
        return c.chkLocalEcho;
    if (from == c.chkLocalEcho)
        return c.chkScreenSave;
    if (from == c.chkScreenSave)
        return c.chkChangeMyColor;
    if (from == c.chkChangeMyColor)
        return c.cmdMyColor->isEnabled() ? static_cast<QWidget*>(c.cmdMyColor) : c.cmdFont;
    if (from == c.cmdMyColor)
        return c.cmdFont;
    if (from == c.cmdFont)
        return c.cmdEnd[0];
    return nullptr;
}
