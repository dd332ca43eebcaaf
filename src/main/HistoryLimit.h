#pragma once

#include <QtGlobal>

// How many rows a view keeps when the user limits the history. Dropping the
// oldest rows costs what the view keeps, so they go in steps: a view may
// grow a slack of a quarter of the limit (at least 16 rows) past it, and
// then goes back to the newest `rows`. Each line then pays for about five
// moved rows, however long the session has run.
class HistoryLimit {
public:
    // 0 keeps every row.
    void setRows(int rows) { rows_ = qMax(rows, 0); }
    int rows() const { return rows_; }
    int slack() const { return qMax(rows_ / 4, kMinSlack); }
    // The oldest rows to drop from a view of `count` rows: none until it
    // passes the limit by the slack, then all but the newest `rows`.
    int excess(int count) const
    {
        if (rows_ == 0 || count <= rows_ + slack())
            return 0;
        return count - rows_;
    }

private:
    static constexpr int kMinSlack = 16;
    int rows_ = 0;
};
