#include "controls/qt/NewRowsMarker.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "controls/qt/TwipsConversion.h"

namespace {

// Sizes in twips, so the pill keeps its proportions on any screen.
constexpr double kPaddingX = 210;  // text to the rounded ends
constexpr double kPaddingY = 75;  // text to the top and bottom edges
constexpr double kArrowWidth = 150;  // the arrow before the text
constexpr double kArrowGap = 90;  // arrow to text
constexpr double kBottomMargin = 165;  // pill to the view's bottom edge
constexpr double kShadowDrop = 30;

}  // namespace

NewRowsMarker::NewRowsMarker(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    // The view's own font may be set very large for reading; the pill keeps
    // the window's size.
    QFont font = QApplication::font();
    font.setBold(true);
    font.setResolveMask(QFont::AllPropertiesResolved);
    setFont(font);
    setToolTip(QStringLiteral("最新の行へ (End)"));
    hide();
}

QString NewRowsMarker::textFor(int rows)
{
    return QStringLiteral("新着 %1 行").arg(rows);
}

void NewRowsMarker::setCount(int rows)
{
    if (rows == count_)
        return;
    count_ = rows;
    setText(textFor(rows));
    setAccessibleName(text());
    updateGeometry();
    update();
}

int NewRowsMarker::px(double twips) const
{
    return Twips::toPx(twips, dpi_);
}

QSize NewRowsMarker::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const int textWidth = int(std::ceil(metrics.horizontalAdvance(text()))) + 1;
    const int width = 2 * px(kPaddingX) + px(kArrowWidth) + px(kArrowGap) + textWidth;
    const int height = int(std::ceil(metrics.height())) + 2 * px(kPaddingY) + px(kShadowDrop);
    return {width, height};
}

void NewRowsMarker::placeIn(const QRect& area, double logicalDpi)
{
    dpi_ = logicalDpi;
    const QSize size = sizeHint();
    const int width = std::min(size.width(), area.width());
    const int x = area.left() + (area.width() - width) / 2;
    const int y = std::max(area.top(), area.bottom() + 1 - px(kBottomMargin) - size.height());
    setGeometry(x, y, width, size.height());
    raise();
}

void NewRowsMarker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int drop = px(kShadowDrop);
    const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5 - drop);
    const qreal radius = pill.height() / 2;

    // A soft shadow under the pill lifts it off the rows behind it.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawRoundedRect(pill.translated(0, drop), radius, radius);

    QColor fill = palette().color(QPalette::Active, QPalette::Highlight);
    if (isDown())
        fill = fill.darker(115);
    else if (underMouse())
        fill = fill.lighter(112);
    painter.setBrush(fill);
    painter.drawRoundedRect(pill, radius, radius);

    const QColor ink = palette().color(QPalette::Active, QPalette::HighlightedText);
    const qreal arrowLeft = pill.left() + px(kPaddingX);
    const qreal arrowWidth = px(kArrowWidth);
    const qreal midY = pill.center().y();
    const qreal half = arrowWidth / 2;
    QPainterPath arrow;
    arrow.moveTo(arrowLeft + half, midY - half);
    arrow.lineTo(arrowLeft + half, midY + half);
    arrow.moveTo(arrowLeft, midY + half / 4);
    arrow.lineTo(arrowLeft + half, midY + half);
    arrow.lineTo(arrowLeft + arrowWidth, midY + half / 4);
    painter.setPen(QPen(ink, std::max(1.5, arrowWidth / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);

    const QRectF textArea(arrowLeft + arrowWidth + px(kArrowGap), pill.top(),
                          pill.right() - px(kPaddingX) - (arrowLeft + arrowWidth + px(kArrowGap)) + 1,
                          pill.height());
    painter.setPen(ink);
    painter.setFont(font());
    // Cut only when the view is narrower than the pill.
    const QFontMetricsF metrics(font());
    const bool fits = metrics.horizontalAdvance(text()) <= textArea.width() + 1;
    const QString shown = fits ? text() : metrics.elidedText(text(), Qt::ElideRight, textArea.width());
    painter.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void NewRowsMarker::wheelEvent(QWheelEvent* event)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(parentWidget());
    if (!area) {
        event->ignore();
        return;
    }
    QWheelEvent moved(area->viewport()->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                      event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
                      event->phase(), event->inverted());
    QCoreApplication::sendEvent(area->viewport(), &moved);
    event->accept();
}
