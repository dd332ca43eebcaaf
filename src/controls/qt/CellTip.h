#pragma once

#include <QRect>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>

// The hover tip of a grid cell. Host text is shown as plain text, never
// interpreted as markup, and wraps (anywhere if it must) at a given width.
class CellTip : public QWidget {
public:
    explicit CellTip(QWidget* owner);

    // Shows the text near a global point for as long as the pointer stays
    // in the given global rectangle.
    void showText(const QString& text, const QPoint& globalPos, const QRect& globalArea, int wrapWidth);
    QString text() const { return text_; }
    // The global rectangle the tip belongs to.
    QRect area() const { return area_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize layOut(int wrapWidth);

    QString text_;
    QRect area_;
    QTextLayout layout_;
    QTimer hideTimer_;
};
