#include "BoardSession.h"

namespace {

// Colours and screen controls as real boards send them.
const QString kReset = QStringLiteral("\x1b[0m");
const QString kClearScreen = QStringLiteral("\x1b[2J\x1b[H");
const QString kEraseLine = QStringLiteral("\x1b[K");
const QString kBell = QStringLiteral("\a");
const QString kBannerColour = QStringLiteral("\x1b[1;33m");
const QString kHandleColour = QStringLiteral("\x1b[1;36m");

// Each stage's prompt, plain and in colour with the same visible text: the
// colour ends before the closing character on some prompts and after it on
// others, as boards differ there. The room and a closed session have none.
struct StagePrompt {
    BoardSession::Stage stage;
    const char16_t* plain;
    const char16_t* coloured;
};
constexpr StagePrompt kPrompts[] = {
    {BoardSession::Stage::UserId, u"User ID =", u"\x1b[1;32mUser ID \x1b[0m="},
    {BoardSession::Stage::Password, u"Password =", u"\x1b[1;32mPassword \x1b[0m="},
    {BoardSession::Stage::HandleName, u"Handle Name =", u"\x1b[1;32mHandle Name \x1b[0m="},
    {BoardSession::Stage::Main, u"MAIN (G,C,I,?) >", u"\x1b[1;36mMAIN (G,C,I,?) >\x1b[0m"},
    {BoardSession::Stage::ChatMenu, u"CHAT (E,W,0,?) >", u"\x1b[1;35mCHAT (E,W,0,?) \x1b[0m>"},
    {BoardSession::Stage::Profile, u"INSTALL (?,0) >", u"\x1b[33mINSTALL (?,0) >\x1b[0m"},
};

QString promptText(BoardSession::Stage stage, bool colour)
{
    for (const StagePrompt& p : kPrompts) {
        if (p.stage == stage)
            return QString::fromUtf16(colour ? p.coloured : p.plain);
    }
    return {};
}

bool isGuest(const QString& userId)
{
    return userId.compare(u"Guest", Qt::CaseInsensitive) == 0;
}

}  // namespace

BoardSession::BoardSession(Board& board, SessionStyle style)
    : board_(board), style_(style), lineEnd_(style.lineEndText())
{}

BoardSession::~BoardSession()
{
    // The connection is going away: the others hear of it, this one cannot.
    onOutput = nullptr;
    board_.room.leave(this);
}

void BoardSession::start()
{
    const QString banner = QStringLiteral("*** ZKT デモ掲示板 ***");
    if (style_.colour)
        write(kClearScreen);
    writeLine({});
    writeLine(style_.colour ? kBannerColour + banner + kReset : banner);
    writeLine(QStringLiteral("ゲストの方はユーザーIDに Guest と入力してください。"));
    writeLine({});
    prompt();
}

void BoardSession::receive(QStringView text)
{
    const auto handler = [this](const QString& line, bool tooLong) { onLine(line, tooLong); };
    const auto open = [this] { return stage_ != Stage::Closed; };
    if (!echoing_) {
        lines_.feed(text, handler, open);
        return;
    }
    // One character at a time, so that each echo comes before what its
    // line end makes the board say.
    for (qsizetype i = 0; i < text.size() && open(); ++i) {
        echo(text[i]);
        lines_.feed(text.sliced(i, 1), handler, open);
    }
}

void BoardSession::timeOut()
{
    if (promptShowing_)
        write(lineEnd_);
    close(QStringLiteral("一定時間入力がなかったため、接続を終了します。"));
}

void BoardSession::roomLine(const QString& line)
{
    const qsizetype split = line.indexOf(u'>');
    if (split < 0) {
        writeLine(line);
        return;
    }
    writeChatLine(line.left(split), line.mid(split + 1));
}

void BoardSession::onLine(const QString& line, bool tooLong)
{
    if (promptShowing_ || echoing_) {
        write(lineEnd_);
        promptShowing_ = false;
    }
    if (tooLong) {
        writeLine(QStringLiteral("入力行が長すぎます (%1 文字まで)。").arg(kMaxLineLength));
        prompt();
        return;
    }
    switch (stage_) {
    case Stage::UserId:
        onUserId(line);
        break;
    case Stage::Password:
        onPassword(line);
        break;
    case Stage::HandleName:
        onHandleName(line);
        break;
    case Stage::Main:
    case Stage::ChatMenu:
    case Stage::Profile:
        onMenuCommand(line.trimmed().toUpper());
        break;
    case Stage::Room:
        onRoom(line);
        break;
    case Stage::Closed:
        break;
    }
}

void BoardSession::onUserId(const QString& line)
{
    userId_ = line.trimmed();
    if (!userId_.isEmpty())
        stage_ = Stage::Password;
    prompt();
}

void BoardSession::onPassword(const QString& line)
{
    if (isGuest(userId_)) {
        guest_ = true;
        failures_ = 0;
        userId_ = QStringLiteral("Guest");
        stage_ = Stage::HandleName;
        prompt();
        return;
    }
    const BoardAccount* account = board_.accounts.find(userId_);
    if (!account || account->password != line) {
        refuseLogIn();
        return;
    }
    handle_ = account->handle;
    failures_ = 0;
    if (handle_.isEmpty()) {
        stage_ = Stage::HandleName;
        prompt();
        return;
    }
    loggedIn();
}

void BoardSession::refuseLogIn()
{
    writeLine(QStringLiteral("UserID または Password が間違っています｡"));
    if (++failures_ >= kMaxAttempts) {
        close(QStringLiteral("ログインに %1 回失敗しました。接続を終了します。").arg(kMaxAttempts));
        return;
    }
    stage_ = Stage::UserId;
    prompt();
}

void BoardSession::onHandleName(const QString& line)
{
    const QString handle = line.trimmed();
    if (guest_ && handle.isEmpty()) {
        handle_ = board_.nextGuestHandle();
        loggedIn();
        return;
    }
    const QString problem = handleProblem(handle);
    if (problem.isEmpty()) {
        handle_ = handle;
        loggedIn();
        return;
    }
    writeLine(problem);
    if (++failures_ >= kMaxAttempts) {
        close(QStringLiteral("ハンドル名が決まりませんでした。接続を終了します。"));
        return;
    }
    prompt();
}

void BoardSession::loggedIn()
{
    writeLine({});
    writeLine((style_.colour ? kBell : QString()) + QStringLiteral("ようこそ、%1さん。").arg(handle_));
    showMain();
}

// The menus: a title, then a line for each command; "?" lists the commands'
// help where a menu has it.
const BoardSession::Menu* BoardSession::menuOf(Stage stage)
{
    static const Menu kMain{
        QStringLiteral("──── メインメニュー ────"),
        true,
        {{u'C', QStringLiteral("チャット"), QStringLiteral("チャットメニューへ進みます。"),
          &BoardSession::showChatMenu},
         {u'I', QStringLiteral("登録内容"), QStringLiteral("登録内容を表示します。"),
          &BoardSession::showProfile},
         {u'G', QStringLiteral("ログアウト"), QStringLiteral("掲示板から出ます。"), &BoardSession::logOut},
         {u'?', QStringLiteral("ヘルプ"), QStringLiteral("この説明を表示します。"),
          &BoardSession::showHelp}}};
    static const Menu kChat{
        QStringLiteral("──── チャットメニュー ────"),
        false,
        {{u'E', QStringLiteral("チャットルームに入る"),
          QStringLiteral("チャットルームに入ります。// で出られます。"), &BoardSession::enterRoom},
         {u'W', QStringLiteral("在室者を見る"), QStringLiteral("チャットルームにいる人を表示します。"),
          &BoardSession::showWhoIsIn},
         {u'0', QStringLiteral("メインメニューへ戻る"), QStringLiteral("メインメニューへ戻ります。"),
          &BoardSession::showMain},
         {u'?', QStringLiteral("ヘルプ"), QStringLiteral("この説明を表示します。"),
          &BoardSession::showHelp}}};
    static const Menu kProfile{QStringLiteral("──── 登録内容 ────"),
                               false,
                               {{u'?', QStringLiteral("登録内容を表示"), {}, &BoardSession::showAccount},
                                {u'0', QStringLiteral("メインメニューへ戻る"), {}, &BoardSession::showMain}}};
    switch (stage) {
    case Stage::Main:
        return &kMain;
    case Stage::ChatMenu:
        return &kChat;
    case Stage::Profile:
        return &kProfile;
    case Stage::UserId:
    case Stage::Password:
    case Stage::HandleName:
    case Stage::Room:
    case Stage::Closed:
        break;
    }
    return nullptr;
}

void BoardSession::showMenu(Stage stage)
{
    const Menu& menu = *menuOf(stage);
    stage_ = stage;
    writeLine({});
    writeLine(menu.title + (menu.erasesLine && style_.colour ? kEraseLine : QString()));
    for (const MenuItem& item : menu.items)
        writeLine(QStringLiteral("  ") + item.key + QStringLiteral(": ") + item.label);
    prompt();
}

void BoardSession::showMain()
{
    showMenu(Stage::Main);
}

void BoardSession::showChatMenu()
{
    showMenu(Stage::ChatMenu);
}

void BoardSession::showProfile()
{
    showMenu(Stage::Profile);
}

void BoardSession::onMenuCommand(const QString& command)
{
    for (const MenuItem& item : menuOf(stage_)->items) {
        if (command.size() == 1 && command[0] == item.key) {
            (this->*item.run)();
            return;
        }
    }
    unknownCommand(command, QStringLiteral("?"));
}

void BoardSession::showHelp()
{
    for (const MenuItem& item : menuOf(stage_)->items)
        writeLine(QStringLiteral("  ") + item.key + QStringLiteral("  ") + item.help);
    prompt();
}

void BoardSession::logOut()
{
    close(QStringLiteral("ご利用ありがとうございました。さようなら。"));
}

void BoardSession::showWhoIsIn()
{
    whoIsIn();
    prompt();
}

void BoardSession::showAccount()
{
    writeLine(QStringLiteral("U: ユーザーID   :  %1  ").arg(userId_));
    writeLine(QStringLiteral("H: ハンドル名   :  %1  ").arg(handle_));
    prompt();
}

void BoardSession::enterRoom()
{
    stage_ = Stage::Room;
    board_.room.enter(this);
    writeChatLine(QStringLiteral("SYSOP"), QStringLiteral("/? でヘルプ、// で退室します。"));
}

void BoardSession::onRoom(const QString& line)
{
    if (line.startsWith(u'/')) {
        onRoomCommand(line.trimmed());
        return;
    }
    // An empty line says nothing; the room keeps waiting.
    if (line.trimmed().isEmpty())
        return;
    writeChatLine(QStringLiteral("発言"), line);
    writeChatLine(handle_, line);
    board_.room.say(this, handle_, line);
}

void BoardSession::onRoomCommand(const QString& command)
{
    if (command == u"//") {
        // Only the leaving line comes before the prompt: until the prompt
        // arrives the client still files lines as chat.
        board_.room.leave(this);
        stage_ = Stage::ChatMenu;
        prompt();
    } else if (command == u"/?") {
        writeLine(QStringLiteral("チャットルームのコマンド:"));
        writeLine(QStringLiteral("  /?  この説明を表示します。"));
        writeLine(QStringLiteral("  /w  チャットルームにいる人を表示します。"));
        writeLine(QStringLiteral("  //  チャットルームから出ます。"));
    } else if (command.compare(u"/w", Qt::CaseInsensitive) == 0) {
        whoIsIn();
    } else {
        unknownCommand(command, QStringLiteral("/?"));
    }
}

void BoardSession::unknownCommand(const QString& command, const QString& helpKey)
{
    // The command is not repeated back: typed text could end in a prompt's
    // closing character and set the client's automaton off.
    if (!command.isEmpty())
        writeLine(QStringLiteral("そのコマンドはありません。%1 でヘルプを表示します。").arg(helpKey));
    prompt();
}

void BoardSession::whoIsIn()
{
    const QStringList handles = board_.room.handles();
    writeLine(handles.isEmpty() ? QStringLiteral("チャットルームには誰もいません。")
                                : QStringLiteral("在室者: ") + handles.join(QStringLiteral(", ")));
}

void BoardSession::write(const QString& text)
{
    if (onOutput && stage_ != Stage::Closed)
        onOutput(text);
}

void BoardSession::writeLine(const QString& line)
{
    write(line + lineEnd_);
}

void BoardSession::writeChatLine(const QString& handle, const QString& text)
{
    writeLine((style_.colour ? kHandleColour + handle + kReset : handle) + u'>' + text);
}

void BoardSession::echo(QChar typed)
{
    const char16_t u = typed.unicode();
    // Line ends are echoed by onLine; a password is not shown.
    if (u < 0x20 || u == 0x7F || stage_ == Stage::Password || stage_ == Stage::Closed)
        return;
    write(QString(typed));
}

void BoardSession::prompt()
{
    const QString text = promptText(stage_, style_.colour);
    if (text.isEmpty())
        return;
    write(text);
    promptShowing_ = true;
}

void BoardSession::close(const QString& farewell)
{
    writeLine(farewell);
    stage_ = Stage::Closed;
    if (onClose)
        onClose();
}
