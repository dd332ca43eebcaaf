#pragma once

#include <QStringView>

// Told of each row the chat view gains, as shown: the handle (empty for a
// row without one) and the message.
class ChatRowListener {
public:
    virtual ~ChatRowListener() = default;
    virtual void chatRowAdded(int row, QStringView handle, QStringView message) = 0;
};
