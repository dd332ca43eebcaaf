#include "main/DialogueSession.h"

#include <QStringList>

#include "common/MemoryCeiling.h"
#include "common/SettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "common/TimeSource.h"
#include "controls/GridModel.h"
#include "controls/GridView.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"
#include "main/MentionRule.h"

namespace {
// Behind a chat row that names the user: a light yellow (0x00BBGGRR).
constexpr qint32 kMentionBackground = 0xB0F8FF;
}  // namespace

DialogueSession::DialogueSession(SettingsStore& store, TelnetSocket& socket, GridModel& terminal,
                                 GridModel& chat, GridView& terminalView, GridView& chatView,
                                 MainWindowPort& window, TimeSource& time)
    : store_(store), socket_(socket), terminal_(terminal), chat_(chat), terminalView_(terminalView),
      chatView_(chatView), window_(window), status_(window), connection_(socket, window, status_),
      modes_(terminal, chat, terminalView, chatView, window, status_, settings_),
      chatFilter_(chat, chatView, modes_, settings_),
      automaton_(settings_, modes_, connection_, window, time),
      receivePath_(terminal, chat, terminalView, window, *this),
      commands_({modes_, automaton_, chatFilter_, connection_, *this}, terminalView, chat, window, settings_),
      time_(time), log_(time, window),
      reconnector_(
          time, [this](int secondsLeft) { showReconnectCountdown(secondsLeft); }, [this] { connectLine(); })
{
    socket_.setListener(this);
    chatFilter_.setRowListener(this);
    // A chat row's message is the end of a terminal line: kept once.
    chat_.borrowTextFrom(&terminal_);
}

DialogueSession::~DialogueSession()
{
    socket_.setListener(nullptr);
}

void DialogueSession::loadSettings()
{
    const SettingsLookup::LoadReport report = SettingsLookup::loadSettings(store_, settings_);
    receivePath_.setMemoryCeiling(MemoryCeiling::forSetting(settings_.HistoryMemoryLimitMB));
    receivePath_.setHistoryLimit(settings_.LogLines);
    // A store that cannot be read yields every default; the user must know why.
    if (const QString readError = store_.lastError(); !readError.isEmpty())
        window_.showWarning(QStringLiteral("設定を読めなかったため既定値を使います: ") + readError);
    if (!report.ok())
        window_.showWarning(QStringLiteral("設定の値を読めなかったため既定値を使います: ") +
                            report.unconvertible.join(QStringLiteral("、")));
}

void DialogueSession::switchScreen(Screen screen)
{
    if (screen == Screen::Init)
        receivePath_.clearLines();
    modes_.switchScreen(screen);
}

void DialogueSession::receiveBytes(QByteArrayView bytes)
{
    bytePath_.receive(bytes);
    connection_.sendAnswers(bytePath_.answers());
    receivePath_.beginBlock();
    bytePath_.deliver(receivePath_);
    receivePath_.endBlock();
}

void DialogueSession::receiveText(QStringView text)
{
    receivePath_.beginBlock();
    bytePath_.feed(text, receivePath_);
    receivePath_.endBlock();
}

void DialogueSession::characterReceived(LineFacts& line, QStringView text)
{
    automaton_.step(PromptAutomaton::Cause::Character, line, text);
}

bool DialogueSession::offerLine(QStringView previousLine, QStringView handle, QStringView message,
                                QStringView finished) const
{
    return chatFilter_.offerLine(previousLine, handle, message, finished);
}

void DialogueSession::lineFinished(QStringView handle, QStringView message)
{
    chatFilter_.postChatLine(handle, message);
}

void DialogueSession::chatRowAdded(int row, QStringView handle, QStringView message)
{
    log_.chatRow(handle, message);
    if (!settings_.NotifyMention || !MentionRule::isMention(handle, message, settings_))
        return;
    chat_.setRowBackColor(row, kMentionBackground);
    window_.announceMention(handle.toString(), message.toString());
}

void DialogueSession::startCommand(Command command)
{
    automaton_.setPendingCommand(command);
    LineFacts& line = receivePath_.lineFacts();
    // A terminal without rows has an empty current line.
    if (terminal_.rowCount() == 0)
        line.reset();
    automaton_.step(PromptAutomaton::Cause::Key, line, receivePath_.currentLine());
}

void DialogueSession::openLine()
{
    reconnector_.cancel();
    connectLine();
}

void DialogueSession::connectLine()
{
    // Changes made in the settings dialog since the last connection apply now.
    loadSettings();
    log_.start(settings_.SaveLog, settings_.LogFolder);
    modes_.setCurrent(Mode::Main);
    prepareViewsForConnection();

    // Each connection starts its byte path afresh.
    bytePath_.reset();
    chatFilter_.forgetEchoes();
    receivePath_.resetStyle();
    automaton_.startConnection();

    // Until the main menu is reached, F1 stops the attempt: a host that
    // accepts and says nothing must not strand the user.
    modes_.setCaption(0, Captions::Abort.toString());
    automaton_.setPendingCommand(Command::LogIn);
    connection_.open(settings_.ConnectionAddress, settings_.ConnectionPort);
}

void DialogueSession::prepareViewsForConnection()
{
    const FontSpec font = settings_.font();
    chatView_.setVisible(false);
    chatView_.setFont(font);
    terminalView_.setVisible(true);
    terminalView_.setFont(font);

    window_.setInputEnabled(true);
    window_.focusInput();
    window_.setInputFont(font);
}

void DialogueSession::abortConnection()
{
    reconnector_.cancel();
    closeLine();
    status_.showState(QStringLiteral("接続を中止しました"));
}

// A reconnect waiting would connect behind the dialog, with the settings
// being changed: the user taking over stops it, as F1 would.
void DialogueSession::openSettings()
{
    if (reconnector_.waiting())
        abortConnection();
    window_.openSettingsDialog();
}

void DialogueSession::closeLine()
{
    returnToLineOff();
}

void DialogueSession::returnToLineOff()
{
    connection_.close();
    modes_.enter(Mode::LineOff);
}

void DialogueSession::onBytesReceived(QByteArrayView bytes)
{
    receiveBytes(bytes);
}

void DialogueSession::onCloseByHost()
{
    // A lead byte the host never completed is shown before the close.
    bytePath_.finish();
    if (!bytePath_.text().isEmpty())
        receiveText(bytePath_.text());
    // After the log-out letter the board closing is what the user asked for.
    const bool loggedOut = automaton_.loggedOut();
    const bool refused = automaton_.logInRefused();
    const bool failedAttempt = automaton_.pendingCommand() == Command::LogIn;
    if (!loggedOut)
        markBreak();
    closeLine();
    status_.showState(loggedOut ? QStringLiteral("ログアウトしました")
                                : QStringLiteral("ホストが接続を終了しました"));
    if (loggedOut || refused)
        reconnector_.cancel();
    else
        reconnectIfWanted(failedAttempt);
}

void DialogueSession::markBreak()
{
    const QString marker = QStringLiteral("――― 接続が切れました ") +
                           time_.localNow().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                           QStringLiteral(" ―――");
    receivePath_.addMarkerLine(marker);
    chatFilter_.addMarkerRow(marker);
}

void DialogueSession::reconnectIfWanted(bool failedAttempt)
{
    if (!settings_.AutoReconnect) {
        reconnector_.cancel();
        return;
    }
    reconnector_.schedule(failedAttempt);
    // F1 stops the wait, as it stops an attempt.
    modes_.setCaption(0, Captions::Abort.toString());
}

void DialogueSession::showReconnectCountdown(int secondsLeft)
{
    status_.showState(QStringLiteral("再接続まで %1 秒 (F1 で中止)").arg(secondsLeft));
}

void DialogueSession::onConnected()
{
    status_.showState(QStringLiteral("ログイン中"));
}

void DialogueSession::onConnectFailed(const QString& reason)
{
    returnToLineOff();
    status_.showState(QStringLiteral("接続できませんでした: ") + reason);
    // Only an attempt of ours is retried; the user's own is the user's to repeat.
    if (reconnector_.attempting())
        reconnectIfWanted(true);
}

void DialogueSession::onSendInexact()
{
    status_.showInexactSend();
}
