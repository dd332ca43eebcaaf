#pragma once

#include <QAbstractButton>

// The pill at the bottom edge of a view that says how many new rows wait
// below while the view does not follow them ("新着 N 行"); clicking it
// follows again. It takes no focus, so the keys stay with the view, and
// the wheel over it scrolls the view beneath.
class NewRowsMarker : public QAbstractButton {
public:
    explicit NewRowsMarker(QWidget* parent);

    static QString textFor(int rows);
    int count() const { return count_; }
    void setCount(int rows);

    // Centred at the bottom of `area` (in the parent's coordinates), sized
    // for a screen of `logicalDpi`.
    void placeIn(const QRect& area, double logicalDpi);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int px(double twips) const;

    int count_ = 0;
    double dpi_ = 96.0;
};
