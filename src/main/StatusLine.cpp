#include "main/StatusLine.h"

#include "main/MainWindowPort.h"

void StatusLine::showState(const QString& text)
{
    stateText_ = text;
    inexactShown_ = false;
    window_.showStatus(text);
}

void StatusLine::showInexactSend()
{
    inexactShown_ = true;
    window_.showStatus(QStringLiteral(
        "Shift_JIS にない文字を「?」に置き換えて送信しました（入力どおりには送られていません）"));
}

void StatusLine::lineSending()
{
    if (!inexactShown_)
        return;
    inexactShown_ = false;
    window_.showStatus(stateText_);
}
