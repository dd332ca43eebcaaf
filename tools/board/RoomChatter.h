#pragma once

#include <QString>
#include <QStringList>

#include <memory>

#include "common/TimeSource.h"

class ChatRoom;

// Simulated members who say something in the chat room now and then, so
// that the demo has a conversation and the client meets other speakers'
// lines. They take turns in a fixed order, so a test knows what comes next.
class RoomChatter {
public:
    struct Resident {
        QString handle;
        QStringList lines;
    };

    // Starts talking every `intervalMs` milliseconds through `time`.
    RoomChatter(ChatRoom& room, TimeSource& time, int intervalMs);

    static const QList<Resident>& residents();
    // The next simulated statement, now.
    void speak();

private:
    ChatRoom& room_;
    std::unique_ptr<Timer> timer_;
    int turn_ = 0;
};
