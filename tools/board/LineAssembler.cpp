#include "LineAssembler.h"

void LineAssembler::feed(QStringView text, const LineHandler& handler, const std::function<bool()>& keepGoing)
{
    for (QChar c : text) {
        if (keepGoing && !keepGoing())
            return;
        const char16_t u = c.unicode();
        const bool lf = u == u'\n';
        if (lf && afterCr_) {
            afterCr_ = false;
            continue;
        }
        if (u == u'\r' || lf) {
            afterCr_ = !lf;
            const QString line = tooLong_ ? QString() : line_;
            const bool tooLong = tooLong_;
            line_.clear();
            tooLong_ = false;
            handler(line, tooLong);
            continue;
        }
        if ((u < 0x20 && u != u'\t') || u == 0x7F)
            continue;
        afterCr_ = false;
        if (tooLong_)
            continue;
        if (line_.size() >= maxLength_) {
            tooLong_ = true;
            line_.clear();
            line_.squeeze();
            continue;
        }
        line_.append(c);
    }
}
