#include "main/MentionRule.h"

#include "common/AppSettings.h"
#include "common/TextHelpers.h"

namespace MentionRule {

bool isMention(QStringView handle, QStringView message, const AppSettings& settings)
{
    using TextHelpers::trimSpaces;
    const QStringView own = trimSpaces(settings.HandleName);
    const QStringView speaker = trimSpaces(handle);
    // A row without a handle is the board's or the client's own notice.
    if (own.isEmpty() || speaker.isEmpty() || speaker == own || speaker == u"発言")
        return false;
    return TextHelpers::contains(message, own);
}

}  // namespace MentionRule
