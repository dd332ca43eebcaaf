// Keys around the input line: paging the visible view, following its newest
// rows again, recalling earlier lines, and typing (keys or an input method's text) while a view has the
// focus.

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>

#include "controls/GridModel.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "main/qt/MainWindow.h"

namespace {

// Text that would appear in the input line as typed: no control
// characters (Enter, Tab, Escape and the like keep their own meaning).
bool isPrintable(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint() || c.isSurrogate(); });
}

}  // namespace

// The input line's own keys, and what is typed in the views.
bool MainWindow::typingEvent(QObject* watched, QEvent* event)
{
    const bool inView = watched == terminalView_ || watched == chatView_;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == inputLine_)
            return inputLineKey(key);
        return inView && viewKey(key);
    }
    if (event->type() == QEvent::InputMethod)
        return inView && viewInputMethod(static_cast<QInputMethodEvent*>(event));
    return false;
}

bool MainWindow::inputLineKey(QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool page = key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
    if (page && modifiers == Qt::ShiftModifier) {
        scrollVisibleView(key->key() == Qt::Key_PageUp);
        return true;
    }
    // End alone keeps its place in the line being typed.
    if (key->key() == Qt::Key_End && modifiers == Qt::ControlModifier) {
        visibleView()->followNewest();
        return true;
    }
    if (modifiers != Qt::NoModifier)
        return false;
    std::optional<QString> recalled;
    if (key->key() == Qt::Key_Up)
        recalled = history_.older(inputLine_->text());
    else if (key->key() == Qt::Key_Down)
        recalled = history_.newer();
    else
        return false;
    if (recalled)
        inputLine_->setText(*recalled);
    return true;
}

// A key that would type a character goes to the input line, and the focus
// with it, so that nothing typed is lost; the views keep their own keys
// (arrows, paging, Ctrl+C).
bool MainWindow::viewKey(QKeyEvent* key)
{
    const auto commandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (!inputLine_->isEnabled() || (key->modifiers() & commandModifiers) || !isPrintable(key->text()))
        return false;
    inputLine_->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(inputLine_, key);
    return true;
}

// Japanese typed through an input method reaches the focus widget as
// composing and committed text, not as keys: it goes the same way.
bool MainWindow::viewInputMethod(QInputMethodEvent* input)
{
    if (!inputLine_->isEnabled() || (input->commitString().isEmpty() && input->preeditString().isEmpty()))
        return false;
    inputLine_->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(inputLine_, input);
    return true;
}

SpreadGrid* MainWindow::visibleView() const
{
    return terminalView_->gridView().isVisible() ? terminalView_ : chatView_;
}

void MainWindow::scrollVisibleView(bool up)
{
    visibleView()->verticalScrollBar()->triggerAction(up ? QAbstractSlider::SliderPageStepSub
                                                         : QAbstractSlider::SliderPageStepAdd);
}

void MainWindow::sendInputLine()
{
    const QString typed = inputLine_->text();
    dialogue_->inputLineEnter();
    // A line the host cannot take yet stays in the input line, unsent.
    if (inputLine_->text().isEmpty())
        history_.add(typed);
}
