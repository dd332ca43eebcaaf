#include "main/DialogueSession.h"

#include <QStringList>

#include "common/MemoryCeiling.h"
#include "common/SettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/GridModel.h"
#include "controls/GridView.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"

DialogueSession::DialogueSession(SettingsStore& store, TelnetSocket& socket, GridModel& terminal,
                                 GridModel& chat, GridView& terminalView, GridView& chatView,
                                 MainWindowPort& window, TimeSource& time)
    : store_(store), socket_(socket), terminal_(terminal), chat_(chat), terminalView_(terminalView),
      chatView_(chatView), window_(window), status_(window), connection_(socket, window, status_),
      modes_(terminal, chat, terminalView, chatView, window, status_, settings_),
      chatFilter_(chat, chatView, modes_, settings_),
      automaton_(settings_, modes_, connection_, window, time),
      receivePath_(terminal, chat, terminalView, window, *this),
      commands_({modes_, automaton_, chatFilter_, connection_, *this}, terminalView, chat, window, settings_)
{
    socket_.setListener(this);
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

void DialogueSession::characterReceived(LineFacts& line, const QString& text)
{
    automaton_.step(PromptAutomaton::Cause::Character, line, text);
}

bool DialogueSession::offerLine(QStringView previousLine, QStringView handle, QStringView message,
                                QStringView finished) const
{
    return chatFilter_.offerLine(previousLine, handle, message, finished);
}

void DialogueSession::lineFinished(QString handle, QStringView message)
{
    chatFilter_.postChatLine(std::move(handle), message);
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
    // Changes made in the settings dialog since the last connection apply now.
    loadSettings();
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
    closeLine();
    status_.showState(QStringLiteral("接続を中止しました"));
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
    closeLine();
    status_.showState(loggedOut ? QStringLiteral("ログアウトしました")
                                : QStringLiteral("ホストが接続を終了しました"));
}

void DialogueSession::onConnected()
{
    status_.showState(QStringLiteral("ログイン中"));
}

void DialogueSession::onConnectFailed(const QString& reason)
{
    returnToLineOff();
    status_.showState(QStringLiteral("接続できませんでした: ") + reason);
}

void DialogueSession::onSendInexact()
{
    status_.showInexactSend();
}
