// The window load, and remembering the window's placement between runs.

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "common/SettingsStore.h"
#include "main/DialogueSession.h"
#include "main/WindowPlacement.h"
#include "main/qt/MainWindow.h"

namespace {

// Positions are counted from the primary screen's top-left corner, at load
// and at save alike, whichever screen the window is on by then.
QRect wholeScreen()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect(0, 0, 800, 600);
}

// The screen the rectangle's centre lies on, in pixels; the primary screen
// when it lies on none.
QScreen* homeScreen(const QRect& outer)
{
    if (QScreen* home = QGuiApplication::screenAt(outer.center()))
        return home;
    return QGuiApplication::primaryScreen();
}

}  // namespace

void MainWindow::load()
{
    const bool firstStart = store_.isFresh();
    dialogue_->loadSettings();
    applyPlacement();
    dialogue_->switchScreen(Screen::Init);
    if (firstStart && !firstStartHint_)
        showFirstStartHint();
}

void MainWindow::applyPlacement()
{
    const QRect whole = wholeScreen();
    const auto outer =
        WindowPlacement::initial(WindowPlacement::read(store_), twips(whole.width()), twips(whole.height()));
    const QRect asStored(whole.left() + px(outer.left), whole.top() + px(outer.top), px(outer.width),
                         px(outer.height));
    // Stored at another scale or on a larger screen, the window would leave
    // its input line, function keys and close box out of reach: it opens
    // within the available area of its screen instead.
    const QScreen* home = homeScreen(asStored);
    const QRect available = home ? home->availableGeometry() : whole;
    WindowPlacement::Outer area;
    area.left = twips(available.left() - whole.left());
    area.top = twips(available.top() - whole.top());
    area.width = twips(available.width());
    area.height = twips(available.height());
    const auto fitted = WindowPlacement::fitInto(outer, area);
    wantedOuter_ = QSize(std::max(1, px(fitted.width)), std::max(1, px(fitted.height)));
    // move() places the frame, resize() sets the client area: the client is
    // given the whole outer size until the frame's share is known.
    move(whole.left() + px(fitted.left), whole.top() + px(fitted.top));
    resize(wantedOuter_);
    requestedClient_ = size();
    outerSizePending_ = true;
    // Until the user moves or resizes the window, the placement stored stays
    // as it was, fitted or not.
    storedOuter_ = outer;
    fittedOuter_ = fitted == outer ? QRect() : QRect(pos(), wantedOuter_);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitOuterSizeLater();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    fitOuterSizeLater();
}

void MainWindow::fitOuterSizeLater()
{
    if (outerSizePending_)
        QTimer::singleShot(0, this, [this] { fitOuterSize(); });
}

QRect MainWindow::outerGeometry() const
{
    // Asked of the window itself: the window manager may report the frame
    // after the last move or resize notification that the widget saw.
    if (const QWindow* handle = windowHandle(); handle && isVisible())
        return geometry().marginsAdded(handle->frameMargins());
    return frameGeometry();
}

// A window manager frames the window only after it is shown (on X11 it
// reports the frame with a later move, resize or activation), so the
// frame's share of the stored outer size is taken off at the first
// notification that knows it. A client size that no longer is the one given
// at load means the user or the window manager has sized the window since:
// that size stays.
void MainWindow::fitOuterSize()
{
    if (!outerSizePending_ || !isVisible())
        return;
    const auto sized = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if (size() != requestedClient_ || (windowState() & sized)) {
        outerSizePending_ = false;
        return;
    }
    const QRect outer = outerGeometry();
    const QSize frameExtra = outer.size() - size();
    if (frameExtra == QSize(0, 0))
        return;
    outerSizePending_ = false;
    resize(std::max(1, wantedOuter_.width() - frameExtra.width()),
           std::max(1, wantedOuter_.height() - frameExtra.height()));
    move(outer.topLeft());
}

void MainWindow::savePlacement()
{
    const QPoint origin = wholeScreen().topLeft();
    const QRect outer = outerGeometry();
    WindowPlacement::Outer placement;
    placement.left = twips(outer.left() - origin.x());
    placement.top = twips(outer.top() - origin.y());
    placement.width = twips(outer.width());
    placement.height = twips(outer.height());
    if (!fittedOuter_.isNull() && outer == fittedOuter_ && !isMaximized())
        placement = storedOuter_;
    WindowPlacement::save(store_, placement, dialogue_->settings().ScreenSave, isMinimized());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!exiting_) {
        dialogue_->flushLogs();
        savePlacement();
        flushStore();
    }
    event->accept();
}
