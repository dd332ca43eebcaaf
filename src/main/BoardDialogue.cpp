#include "main/BoardDialogue.h"

#include <QStringList>

#include "common/MemoryCeiling.h"
#include "common/SettingsStore.h"
#include "common/modZkCommon.h"
#include "controls/GridModel.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"

BoardDialogue::BoardDialogue(SettingsStore& store, TelnetSocket& socket, GridModel& terminal,
                             GridModel& chat, MainWindowPort& window, TimeSource& time)
    : store_(store), socket_(socket), terminal_(terminal), chat_(chat), window_(window), time_(time),
      memoryCeiling_(MemoryCeiling::automatic()) {
    // The window shows what the dialogue holds, so the designed bar goes
    // through it as every later caption does.
    for (int item = 0; item < int(captions_.size()); ++item) {
        captions_[item] = Captions::Designed[item].toString();
        window_.setFunctionKeyCaption(item, captions_[item]);
    }
    socket_.setListener(this);
    // A chat row's message is the end of a terminal line: kept once.
    chat_.borrowTextFrom(&terminal_);
}

BoardDialogue::~BoardDialogue() {
    socket_.setListener(nullptr);
}

void BoardDialogue::LoadSettings() {
    const modZkCommon::LoadReport report = modZkCommon::LoadSettings(store_, settings_);
    memoryCeiling_ = MemoryCeiling::forSetting(settings_.HistoryMemoryLimitMB);
    // A store that cannot be read yields every default; the user must know why.
    if (const QString readError = store_.lastError(); !readError.isEmpty())
        window_.showWarning(QStringLiteral("設定を読めなかったため既定値を使います: ") + readError);
    if (!report.ok())
        window_.showWarning(QStringLiteral("設定の値を読めなかったため既定値を使います: ") +
                            report.unconvertible.join(QStringLiteral("、")));
}

bool BoardDialogue::send(const QString& text) {
    if (socket_.state() != TelnetSocket::Connected) {
        window_.showStatus(QStringLiteral("接続していないため送信しませんでした"));
        return false;
    }
    // A host that reads nothing would let typed lines pile up without end.
    if (socket_.unsentBytes() > kMaxUnsentBytes) {
        window_.showStatus(QStringLiteral("ホストが受信していないため送信を止めています"));
        return false;
    }
    // The notice of a line sent inexactly lasts until the next line.
    if (inexactShown_) {
        inexactShown_ = false;
        window_.showStatus(stateText_);
    }
    socket_.sendData(text + QStringLiteral("\r\n"));
    return true;
}

// What the status bar shows while nothing else needs saying.
void BoardDialogue::showState(const QString& text) {
    stateText_ = text;
    inexactShown_ = false;
    window_.showStatus(text);
}

void BoardDialogue::setCaption(int item, const QString& caption) {
    // The mode is applied at every menu prompt, so mostly nothing changes;
    // that must cost nothing, however often the host repeats the prompt.
    if (captions_[item] == caption)
        return;
    captions_[item] = caption;
    window_.setFunctionKeyCaption(item, caption);
}

void BoardDialogue::onCloseByHost() {
    // A lead byte the host never completed is shown before the close.
    decoded_.resize(0);
    decoder_.finish(decoded_);
    if (!decoded_.isEmpty())
        ReceiveText(decoded_);
    // After the log-out letter the board closing is what the user asked for.
    const bool loggedOut = pendingCommand_ == u"LogOut" && logOutSent_;
    CloseLine();
    showState(loggedOut ? QStringLiteral("ログアウトしました") : QStringLiteral("ホストが接続を終了しました"));
}

void BoardDialogue::onConnected() {
    showState(QStringLiteral("ログイン中"));
}

void BoardDialogue::onConnectFailed(const QString& reason) {
    returnToLineOff();
    showState(QStringLiteral("接続できませんでした: ") + reason);
}

void BoardDialogue::onSendInexact() {
    inexactShown_ = true;
    window_.showStatus(
        QStringLiteral("Shift_JIS にない文字を「?」に置き換えて送信しました（入力どおりには送られていません）"));
}
