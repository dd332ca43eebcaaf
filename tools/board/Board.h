#pragma once

#include <QString>

#include "BoardAccounts.h"
#include "ChatRoom.h"

// What every connection of one board shares: the accounts, the chat room
// and the numbering of guests.
struct Board {
    BoardAccounts accounts;
    ChatRoom room;
    int guestsSoFar = 0;

    QString nextGuestHandle() { return QStringLiteral("ゲスト%1").arg(++guestsSoFar); }
};
