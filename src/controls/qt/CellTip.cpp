#include "controls/qt/CellTip.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextLine>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 4;
// Like the platform's tips: longer texts stay longer, within bounds.
constexpr int kBaseShowMs = 10000;
constexpr int kPerCharacterMs = 40;
constexpr int kLongestShowMs = 60000;

}  // namespace

CellTip::CellTip(QWidget* owner) : QWidget(owner, Qt::ToolTip | Qt::BypassGraphicsProxyWidget)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(QToolTip::font());
    setPalette(QToolTip::palette());
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void CellTip::showText(const QString& text, const QPoint& globalPos, const QRect& globalArea, int wrapWidth)
{
    text_ = text;
    area_ = globalArea;
    const QSize size = layOut(wrapWidth);
    resize(size);

    // Below and right of the pointer, kept on its screen.
    QPoint at = globalPos + QPoint(2, 16);
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
        if (at.y() + size.height() > room.bottom() + 1)
            at.setY(std::max(room.top(), globalPos.y() - 4 - size.height()));
    }
    move(at);
    show();
    raise();
    update();
    hideTimer_.start(std::min<qint64>(kLongestShowMs, kBaseShowMs + kPerCharacterMs * text.size()));
}

QSize CellTip::layOut(int wrapWidth)
{
    const int lineWidth = std::max(1, wrapWidth - 2 * kMargin);
    layout_.setText(text_);
    layout_.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_.setTextOption(option);
    layout_.beginLayout();
    double height = 0;
    double widest = 0;
    for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
        line.setLineWidth(lineWidth);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout_.endLayout();
    return QSize(int(std::ceil(widest)) + 2 * kMargin, int(std::ceil(height)) + 2 * kMargin);
}

void CellTip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::ToolTipText));
    layout_.draw(&painter, QPointF(kMargin, kMargin));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
