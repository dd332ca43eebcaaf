#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

#include "Board.h"
#include "ChatRoom.h"
#include "LineAssembler.h"
#include "SessionStyle.h"

// One user's dialogue with the board, without any socket: typed text goes
// in, the board's text comes out through onOutput. Prompts are written
// without a line end, so the prompt's closing character is the last one the
// client sees; every other line ends in the style's line end (CR LF unless
// told otherwise).
class BoardSession : public RoomMember {
public:
    enum class Stage { UserId, Password, HandleName, Main, ChatMenu, Room, Profile, Closed };

    static constexpr int kMaxLineLength = 4096;
    static constexpr int kMaxAttempts = 3;

    explicit BoardSession(Board& board, SessionStyle style = {});
    ~BoardSession() override;
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    std::function<void(const QString& text)> onOutput;
    // The board ends the connection; nothing is written afterwards.
    std::function<void()> onClose;

    // The banner and the first prompt.
    void start();
    // Text as typed, in any pieces; each finished line is acted on.
    void receive(QStringView text);
    // The board echoes what is typed, as a telnet daemon that agreed to echo
    // does: every character but a password's, and every line end.
    void setEchoing(bool echoing) { echoing_ = echoing; }
    // Nothing came for too long: a farewell, then the board closes.
    void timeOut();

    Stage stage() const { return stage_; }
    const QString& handle() const { return handle_; }

    QString roomHandle() const override { return handle_; }
    void roomLine(const QString& line) override;

private:
    struct MenuItem {
        QChar key;  // the command, as typed
        QString label;  // on the menu
        QString help;  // in the "?" list
        void (BoardSession::*run)();
    };
    struct Menu {
        QString title;
        bool erasesLine;  // the title ends in an erase to the line's end, in colour
        std::vector<MenuItem> items;
    };
    // The menu shown at that stage; null where there is none.
    static const Menu* menuOf(Stage stage);

    void onLine(const QString& line, bool tooLong);
    void onUserId(const QString& line);
    void onPassword(const QString& line);
    void onHandleName(const QString& line);
    void onMenuCommand(const QString& command);
    void onRoom(const QString& line);
    void onRoomCommand(const QString& command);

    void refuseLogIn();
    void loggedIn();
    void showMenu(Stage stage);
    void showMain();
    void showChatMenu();
    void showProfile();
    void showHelp();
    void logOut();
    void showWhoIsIn();
    void showAccount();
    void enterRoom();
    void unknownCommand(const QString& command, const QString& helpKey);
    void whoIsIn();

    void write(const QString& text);
    void writeLine(const QString& line);
    void writeChatLine(const QString& handle, const QString& text);
    void echo(QChar typed);
    void prompt();
    void close(const QString& farewell);

    Board& board_;
    const SessionStyle style_;
    const QString lineEnd_;
    bool echoing_ = false;
    LineAssembler lines_{kMaxLineLength};
    Stage stage_ = Stage::UserId;
    bool promptShowing_ = false;
    int failures_ = 0;
    bool guest_ = false;
    QString userId_;
    QString handle_;
};
