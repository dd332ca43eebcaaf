#pragma once

// Whether a view follows its newest rows, and how many rows arrived since
// its reader left the bottom. Only the reader's own moves decide: rows
// arriving never stop the following, and a view that follows never counts.
class FollowState {
public:
    bool isFollowing() const { return following_; }
    // Rows added since the reader left the bottom; 0 while following.
    int waitingRows() const { return waiting_; }

    // The reader moved the view from position `from` to `to`, where `bottom`
    // shows the newest row. Reaching the bottom follows again; moving up
    // elsewhere stops following; moving down on the way there changes
    // nothing (a view that follows may be a step behind its newest row).
    // True when this made the view follow again.
    bool readerMoved(int from, int to, int bottom);
    // Follows again, wherever the view is (End, the new-rows marker).
    void follow();

    void rowsAdded(int count);
    // The oldest rows went; `rowsLeft` remain, the newest of them the ones
    // that arrived last.
    void oldestRowsDropped(int rowsLeft);
    // The rows were shown anew; `rows` remain. With none left there is no
    // place to keep, and the view follows again.
    void reset(int rows);

private:
    bool following_ = true;
    int waiting_ = 0;
};
