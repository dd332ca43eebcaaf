#pragma once

#include <QFrame>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <vector>

#include "controls/HistorySearch.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class SpreadGrid;

// The find bar over a view (Ctrl+F): finds as the query is typed, Enter and
// Shift+Enter go to the next and the previous match, Esc closes it. The
// search and the count run in slices between turns of the event loop, so a
// history of millions of rows never stops the window; the count follows
// rows that arrive while the bar is open. It sits over its parent's top
// right corner.
class FindBar : public QFrame {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent);
    ~FindBar() override;

    // The views it may find in: it opens over the one shown, and moves to
    // the other when the screen switches while it is open.
    void setViews(std::vector<SpreadGrid*> views);
    // Opens over the view shown, with the query selected for typing over.
    void open();
    // Opens over `view`, with the query selected for typing over.
    void openOver(SpreadGrid* view);
    void closeBar();
    void findNext();
    void findPrevious();

    SpreadGrid* view() const { return view_; }
    const HistorySearch* search() const { return search_.get(); }
    // Whether a search or a count is still under way.
    bool busy() const;
    QLineEdit* queryEdit() const { return query_; }
    QCheckBox* caseBox() const { return matchCase_; }
    QCheckBox* widthBox() const { return matchWidth_; }
    QLabel* countLabel() const { return count_; }

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void queryChanged();
    void step(HistorySearch::Direction direction);
    void work();
    void showCount();
    void place();
    void attach(SpreadGrid* view);
    void countOn();
    void detach();
    SpreadGrid* shownView() const;

    QLineEdit* query_;
    QCheckBox* matchCase_;
    QCheckBox* matchWidth_;
    QLabel* count_;
    QToolButton* previous_;
    QToolButton* next_;
    QToolButton* close_;
    std::vector<QPointer<SpreadGrid>> views_;
    QPointer<SpreadGrid> view_;
    // The same view as an object: its events are still filtered while it is
    // being destroyed, when it is no longer a SpreadGrid to cast to.
    QObject* viewObject_ = nullptr;
    std::unique_ptr<HistorySearch> search_;
    bool finding_ = false;
    QTimer work_;
    // The view's model tells of rows that arrive or change, to count them.
    std::vector<QMetaObject::Connection> watches_;
};
