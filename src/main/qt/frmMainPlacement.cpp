// The window load, and remembering the window's placement between runs.

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "main/BoardDialogue.h"
#include "main/WindowPlacement.h"
#include "main/qt/frmMain.h"

void frmMain::Form_Load()
{
    dialogue_->LoadSettings();
    applyPlacement();
    dialogue_->SwitchScreen(QStringLiteral("Init"));
}

void frmMain::applyPlacement()
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect whole = shown ? shown->geometry() : QRect(0, 0, 800, 600);
    const auto outer = WindowPlacement::Initial(WindowPlacement::Read(store_),
                                                twips(whole.width()), twips(whole.height()));
    wantedOuterWidth_ = outer.width;
    wantedOuterHeight_ = outer.height;
    // move() places the frame; resize() sets the client area, so the frame's
    // share is taken off once the window manager has told us its size.
    move(whole.left() + px(outer.left), whole.top() + px(outer.top));
    resize(std::max(1, px(outer.width)), std::max(1, px(outer.height)));
    outerSizePending_ = true;
}

void frmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (outerSizePending_)
        QTimer::singleShot(0, this, [this] { fitOuterSize(); });
}

void frmMain::fitOuterSize()
{
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    outerSizePending_ = false;
    if (frameExtra == QSize(0, 0))
        return;
    const QPoint framePos = frameGeometry().topLeft();
    resize(std::max(1, px(wantedOuterWidth_) - frameExtra.width()),
           std::max(1, px(wantedOuterHeight_) - frameExtra.height()));
    move(framePos);
}

void frmMain::SaveWindowPlacement()
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const QPoint origin = shown ? shown->geometry().topLeft() : QPoint();
    const QRect outer = frameGeometry();
    WindowPlacement::Outer placement;
    placement.left = twips(outer.left() - origin.x());
    placement.top = twips(outer.top() - origin.y());
    placement.width = twips(outer.width());
    placement.height = twips(outer.height());
    WindowPlacement::Save(store_, placement, dialogue_->Settings().ScreenSave, isMinimized());
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!exiting_) {
        SaveWindowPlacement();
        flushStore();
    }
    event->accept();
}
