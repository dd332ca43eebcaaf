#include "main/BoardDialogue.h"

#include "common/Cp932.h"
#include "common/modZkCommon.h"
#include "controls/GridModel.h"

namespace {
constexpr QStringView kOwnStatement = u"発言";
constexpr QStringView kCommandPrompt = u"コマンド (";
constexpr QStringView kChatPrompt = u"CHAT (";
constexpr QStringView kChatRoom = u"チャットルーム";
constexpr QStringView kEntered = u"入室しました。";
constexpr QStringView kChatMode = u"Chat";
constexpr qint32 kNoHandleBackground = 0xE0E0E0;
constexpr qint64 kHandleColumnCap = 1200;  // twips

// The code page 932 code whose low four bits tint one colour component;
// characters the code page cannot hold count as "?".
int colourCode(char16_t ch) {
    const int code = QChar::isSurrogate(ch) ? -1 : Cp932::codeOf(ch);
    return code < 0 ? '?' : code;
}
}  // namespace

bool BoardDialogue::PostChatLine(QString handle, QStringView message) {
    bool accepted = true;
    chat_.setRedraw(false);
    if (handle == kOwnStatement)
        handle = settings_.HandleName;
    if (handle.startsWith(kCommandPrompt))
        accepted = false;
    // The cheap end tests first (one character, then seven); all only read.
    if (message.endsWith(kEntered.back()) && message.endsWith(kEntered) && message.contains(kChatRoom)) {
        currentMode_ = QStringLiteral("Chat");
        SetMode(currentMode_);
    }
    if (message.endsWith(u'>') && message.contains(kChatPrompt))
        accepted = false;
    if (currentMode_ == kChatMode && accepted)
        addChatRow(handle, message);
    chat_.setRedraw(true);
    return accepted;
}

void BoardDialogue::addChatRow(const QString& handle, QStringView message) {
    const int row = chat_.rowCount() + 1;
    chat_.setRowCount(row);
    if (!handle.isEmpty()) {
        const qint32 colour = handle == settings_.HandleName && settings_.ChangeMyColor
                                  ? settings_.MyColor
                                  : HandleColor(handle, settings_.Luminosity);
        chat_.setText(1, row, modZkCommon::TrimSpaces(handle));
        const qint64 width = modZkCommon::RoundHalfEven(chat_.maxTextWidth(1));
        chat_.setColumnWidth(1, double(qMin(width, kHandleColumnCap)));
        chat_.setRowForeColor(row, colour);
    } else {
        chat_.setRowBackColor(row, kNoHandleBackground);
    }
    chat_.setText(2, row, message);
    chat_.setColumnWidth(2, chat_.maxTextWidth(2));
    chat_.setActiveCell(2, row);
}

// Red from the first character, green from the second, blue from the third
// (short handles padded with "@"). The sum carries between components as it
// always has; it is taken in 64 bits and kept to 24 so that a large
// luminosity cannot overflow.
qint32 BoardDialogue::HandleColor(QStringView handle, qint32 luminosity) {
    qint64 colour = 0;
    for (int i = 0; i < 3; ++i) {
        const char16_t ch = i < handle.size() ? handle[i].unicode() : u'@';
        const qint64 component = qint64(colourCode(ch) & 0xF) * luminosity;
        colour += component << (8 * i);
    }
    return qint32(colour & 0xFFFFFF);
}
