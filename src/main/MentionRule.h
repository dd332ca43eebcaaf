#pragma once

#include <QStringView>

struct AppSettings;

// Whether a chat row speaks to the user: a member other than the user wrote
// the user's handle name in the message. The user's own statements (under
// the handle name, as the chat view shows them) never count.
namespace MentionRule {

bool isMention(QStringView handle, QStringView message, const AppSettings& settings);

}  // namespace MentionRule
