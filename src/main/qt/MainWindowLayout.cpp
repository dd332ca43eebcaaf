// The main window's resize handlers: they apply the layout rules in twips.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QStatusBar>

#include "controls/qt/FunctionKeyBar.h"
#include "controls/qt/SpreadGrid.h"
#include "main/WindowLayout.h"
#include "main/qt/MainWindow.h"

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeWindow();
    fitOuterSizeLater();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == terminalArea_ && event->type() == QEvent::Resize)
        arrangeViews();
    if (typingEvent(watched, event))
        return true;
    if (event->type() == QEvent::Show && settingsDetailedPending_)
        settingsWindowShows(watched);
    return QWidget::eventFilter(watched, event);
}

void MainWindow::arrangeWindow()
{
    // The bars are docked to the bottom edge: the status bar last, the
    // function-key bar right above it, both full width.
    const int statusHeight = px(WindowLayout::kStatusBarHeight);
    const int keysHeight = px(WindowLayout::kFunctionKeyBarHeight);
    const int inputHeight = px(WindowLayout::kInputLineHeight);
    const int w = width();
    const int h = height();
    statusBar_->setGeometry(0, h - statusHeight, w, statusHeight);
    functionKeys_->setGeometry(0, h - statusHeight - keysHeight, w, keysHeight);

    const auto rects = WindowLayout::arrangeWindow(twips(w), twips(h), twips(statusHeight), twips(keysHeight),
                                                   twips(inputHeight));
    terminalArea_->setGeometry(0, 0, w, px(rects.terminalArea.height));
    inputLine_->setGeometry(0, px(rects.inputLine.top), w, inputHeight);
    // A container that is not shown gets its resize notification only when
    // it is; the views must fit at once all the same.
    arrangeViews();
}

void MainWindow::arrangeViews()
{
    const QRect inner = terminalArea_->contentsRect();
    const auto rects = WindowLayout::arrangeViews(twips(inner.width()), twips(inner.height()));
    const auto place = [&](QWidget* view, const WindowLayout::Rect& r) {
        view->setGeometry(inner.left() + px(r.left), inner.top() + px(r.top), px(r.width), px(r.height));
    };
    place(terminalView_, rects.terminal);
    place(chatView_, rects.chat);
    if (firstStartHint_)
        firstStartHint_->setGeometry(inner);
}
