#include "ChatRoom.h"

QString ChatRoom::entryAnnouncement(const QString& handle)
{
    return QStringLiteral("SYSOP>%1さんがチャットルームに入室しました。").arg(handle);
}

void ChatRoom::enter(RoomMember* member)
{
    if (members_.contains(member))
        return;
    // The others' notice avoids the entry announcement's wording, which a
    // client takes as its own entry into the room.
    broadcast(QStringLiteral("SYSOP>%1さんが入ってきました。").arg(member->roomHandle()), member);
    members_.append(member);
    member->roomLine(entryAnnouncement(member->roomHandle()));
}

void ChatRoom::leave(RoomMember* member)
{
    if (!members_.removeOne(member))
        return;
    member->roomLine(QStringLiteral("SYSOP>チャットルームから退室しました。"));
    broadcast(QStringLiteral("SYSOP>%1さんが退室しました。").arg(member->roomHandle()), member);
}

void ChatRoom::say(const RoomMember* from, const QString& handle, const QString& text)
{
    broadcast(handle + u'>' + text, from);
}

QStringList ChatRoom::handles() const
{
    QStringList result = residents_;
    for (const RoomMember* member : members_)
        result.append(member->roomHandle());
    return result;
}

void ChatRoom::broadcast(const QString& line, const RoomMember* except)
{
    // A copy: a member's delivery may end its connection and leave the room.
    const QList<RoomMember*> members = members_;
    for (RoomMember* member : members) {
        if (member != except && members_.contains(member))
            member->roomLine(line);
    }
}
