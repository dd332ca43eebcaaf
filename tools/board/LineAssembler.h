#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// Cuts the text a user types into lines. A line ends at CR, at LF, or at
// CR LF (one end, not two). Control characters other than TAB are dropped,
// which also removes the NUL that telnet programs send after CR. A line
// longer than the limit is thrown away whole and reported as too long, so
// a client that never ends its line cannot make the board hold unbounded
// text.
class LineAssembler {
public:
    using LineHandler = std::function<void(const QString& line, bool tooLong)>;

    explicit LineAssembler(int maxLength = 4096) : maxLength_(maxLength) {}

    // Calls `handler` once per finished line. When the handler returns
    // false from `keepGoing` (the session closed), the rest is dropped.
    void feed(QStringView text, const LineHandler& handler, const std::function<bool()>& keepGoing = {});

private:
    int maxLength_;
    QString line_;
    bool tooLong_ = false;
    bool afterCr_ = false;
};
