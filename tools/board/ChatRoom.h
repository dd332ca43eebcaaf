#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Someone in the chat room who receives its lines: a logged-in user.
class RoomMember {
public:
    virtual ~RoomMember() = default;
    virtual QString roomHandle() const = 0;
    // One whole line, without its line end.
    virtual void roomLine(const QString& line) = 0;
};

// The board's one chat room, shared by every connection. Lines go out as
// "<handle>>text"; the board's own notices speak as "SYSOP".
class ChatRoom {
public:
    // The member hears the room-entry announcement; the others hear that
    // someone came in.
    void enter(RoomMember* member);
    // The member hears that it left; the others hear that someone went.
    // Leaving a room one is not in does nothing.
    void leave(RoomMember* member);
    bool contains(const RoomMember* member) const { return members_.contains(member); }

    // A statement: `from` (may be null for a simulated member) gets nothing,
    // everyone else in the room gets "<handle>>text".
    void say(const RoomMember* from, const QString& handle, const QString& text);

    // Simulated members are listed as present but receive nothing.
    void addResident(const QString& handle) { residents_.append(handle); }
    // Everyone present, simulated members first.
    QStringList handles() const;

    static QString entryAnnouncement(const QString& handle);

private:
    void broadcast(const QString& line, const RoomMember* except);

    QList<RoomMember*> members_;
    QStringList residents_;
};
