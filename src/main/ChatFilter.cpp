#include "main/ChatFilter.h"

#include "common/AppSettings.h"
#include "common/Cp932.h"
#include "common/ReadableColor.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/GridModel.h"
#include "controls/GridView.h"
#include "main/BoardModes.h"
#include "main/ChatRowListener.h"
#include "main/SplitLine.h"

namespace {
// How the host shows the user's own statement.
constexpr QStringView kOwnStatement = u"発言";
constexpr QStringView kCommandPrompt = u"コマンド (";
constexpr QStringView kChatPrompt = u"CHAT (";
constexpr QStringView kChatRoom = u"チャットルーム";
constexpr QStringView kEntered = u"入室しました。";
constexpr qint32 kNoHandleBackground = 0xE0E0E0;
constexpr double kHandleColumnCap = 1200;  // twips

// The code page 932 code whose low four bits tint one colour component;
// characters the code page cannot hold count as "?".
int colourCode(char16_t ch)
{
    const int code = QChar::isSurrogate(ch) ? -1 : Cp932::codeOf(ch);
    return code < 0 ? '?' : code;
}
}  // namespace

ChatFilter::ChatFilter(GridModel& chat, GridView& chatView, BoardModes& modes, const AppSettings& settings)
    : chat_(chat), chatView_(chatView), modes_(modes), settings_(settings)
{}

// The user's own statement is shown once: the host's "発言" line is dropped
// when local echo has shown it already, and the repetition under the user's
// handle that follows it is dropped too; blank lines are never offered. The
// previous line is split only when the repetition can apply.
bool ChatFilter::offerLine(QStringView previousLine, QStringView handle, QStringView message,
                           QStringView finished) const
{
    using TextHelpers::trimSpaces;
    if (handle == kOwnStatement && settings_.LocalEcho)
        return false;
    if (isExpectedEcho(finished))
        return false;
    if (handle == settings_.HandleName) {
        const SplitLine previous = SplitLine::of(previousLine);
        if (trimSpaces(previous.message) == trimSpaces(message) && previous.handle == kOwnStatement)
            return false;
    }
    return !trimSpaces(finished).isEmpty();
}

void ChatFilter::expectEcho(const QString& line)
{
    // A host that stopped echoing must not make the list grow.
    constexpr size_t kMostOwed = 16;
    if (echoes_.size() == kMostOwed)
        echoes_.pop_front();
    echoes_.push_back(line);
}

bool ChatFilter::isExpectedEcho(QStringView finished) const
{
    if (echoes_.empty() || finished != echoes_.front())
        return false;
    echoes_.pop_front();
    return true;
}

bool ChatFilter::postChatLine(QStringView handle, QStringView message)
{
    bool accepted = true;
    chatView_.setRedraw(false);
    if (handle == kOwnStatement)
        handle = settings_.HandleName;
    if (handle.startsWith(kCommandPrompt))
        accepted = false;
    // The cheap end tests first (one character, then seven); all only read.
    if (message.endsWith(kEntered.back()) && message.endsWith(kEntered) && message.contains(kChatRoom))
        modes_.enter(Mode::Chat);
    if (message.endsWith(u'>') && message.contains(kChatPrompt))
        accepted = false;
    if (modes_.current() == Mode::Chat && accepted)
        addChatRow(handle, message);
    chatView_.setRedraw(true);
    return accepted;
}

void ChatFilter::addChatRow(QStringView handle, QStringView message)
{
    const int row = chat_.rowCount() + 1;
    chat_.setRowCount(row);
    if (!handle.isEmpty()) {
        const qint32 colour = rowColor(handle);
        chat_.setText(1, row, TextHelpers::trimSpaces(handle));
        chatView_.fitColumnToText(1, row, {kHandleColumnCap, true});
        chat_.setRowForeColor(row, colour);
    } else {
        chat_.setRowBackColor(row, kNoHandleBackground);
    }
    chat_.setText(2, row, message);
    chatView_.fitColumnToText(2, row);
    chatView_.setActiveCell(2, row);
    if (listener_)
        listener_->chatRowAdded(row, chat_.text(1, row), chat_.text(2, row));
}

void ChatFilter::addMarkerRow(QStringView text)
{
    chatView_.setRedraw(false);
    addChatRow({}, text);
    chatView_.setRedraw(true);
}

// The user's own colour is one the user chose, in sight, in the colour
// dialog: it is kept as chosen. Only the colours derived from handles are
// made readable.
qint32 ChatFilter::rowColor(QStringView handle) const
{
    if (handle == settings_.HandleName && settings_.ChangeMyColor)
        return settings_.MyColor;
    const qint32 derived = handleColor(handle, settings_.Luminosity);
    if (!settings_.ReadableColors)
        return derived;
    auto& ways = shownColors_[(quint32(derived) * 0x9E3779B1u) >> (32 - kShownColorSetBits)];
    for (const ShownColor& way : ways)
        if (way.derived == derived && way.background == background_)
            return way.shown;
    ways[1] = ways[0];
    ways[0] = {derived, background_, ReadableColor::adjusted(derived, background_)};
    return ways[0].shown;
}

// Red from the first character, green from the second, blue from the third
// (short handles padded with "@"). The sum carries between components; it is
// taken in 64 bits and kept to 24 so that a large luminosity cannot overflow.
qint32 ChatFilter::handleColor(QStringView handle, qint32 luminosity)
{
    qint64 colour = 0;
    for (int i = 0; i < 3; ++i) {
        const char16_t ch = i < handle.size() ? handle[i].unicode() : u'@';
        const qint64 component = qint64(colourCode(ch) & 0xF) * luminosity;
        colour += component << (8 * i);
    }
    return qint32(colour & 0xFFFFFF);
}
