#include "RoomChatter.h"

#include "ChatRoom.h"

const QList<RoomChatter::Resident>& RoomChatter::residents()
{
    // Japanese, ASCII and half-width katakana speakers, and a message with a
    // ">" of its own, so the client's line splitting has something to do.
    static const QList<Resident> list{
        {QStringLiteral("花子"),
         {QStringLiteral("こんにちは"), QStringLiteral("今日はいい天気ですね～"),
          QStringLiteral("お茶にしましょう。")}},
        {QStringLiteral("Bob"),
         {QStringLiteral("hello, everyone"), QStringLiteral("a>b is true today"), QStringLiteral("brb")}},
        {QStringLiteral("ｼﾞﾛｳ"),
         {QStringLiteral("ﾔｧ、ｹﾞﾝｷ?"), QStringLiteral("①から⑩まで数えよう"), QStringLiteral("またね")}},
    };
    return list;
}

RoomChatter::RoomChatter(ChatRoom& room, TimeSource& time, int intervalMs)
    : room_(room), timer_(time.createTimer())
{
    for (const Resident& resident : residents())
        room_.addResident(resident.handle);
    timer_->onTimeout = [this] { speak(); };
    timer_->start(intervalMs);
}

void RoomChatter::speak()
{
    const QList<Resident>& list = residents();
    const Resident& resident = list[turn_ % list.size()];
    const QString& line = resident.lines[(turn_ / list.size()) % resident.lines.size()];
    turn_ = (turn_ + 1) % (list.size() * 1000);
    room_.say(nullptr, resident.handle, line);
}
