// A first start, without a settings file: a hint over the empty views, and
// the settings dialog opened where the board's address is in sight.

#include <QAbstractItemModel>
#include <QChildEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "common/SettingsStore.h"
#include "controls/qt/SpreadGrid.h"
#include "main/qt/MainWindow.h"

void MainWindow::showFirstStartHint()
{
    firstStartHint_ = new QLabel(QStringLiteral("F5 で接続先を設定し、F1 で接続します"), terminalArea_);
    firstStartHint_->setObjectName(QStringLiteral("firstStartHint"));
    firstStartHint_->setAlignment(Qt::AlignCenter);
    firstStartHint_->setForegroundRole(QPalette::PlaceholderText);
    // The views under it keep their clicks and tips.
    firstStartHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    firstStartHint_->setGeometry(terminalArea_->contentsRect());
    firstStartHint_->raise();
    firstStartHint_->show();
    // Once the board has sent anything, the views speak for themselves.
    for (SpreadGrid* view : {terminalView_, chatView_}) {
        QAbstractItemModel* model = view->model();
        connect(model, &QAbstractItemModel::rowsInserted, firstStartHint_, [this] { hideFirstStartHint(); });
    }
    settingsDetailedFirst_ = true;
}

void MainWindow::hideFirstStartHint()
{
    if (!firstStartHint_)
        return;
    // Called from its own connection: gone at the next turn of the loop.
    firstStartHint_->hide();
    firstStartHint_->deleteLater();
    firstStartHint_ = nullptr;
}

// The dialog's window is made afresh at each opening, as a child of this
// window: while the first opening is due, a new child is watched until it
// shows.
void MainWindow::childEvent(QChildEvent* event)
{
    if (event->added() && settingsDetailedPending_)
        event->child()->installEventFilter(this);
    QWidget::childEvent(event);
}

// Switched before the window is on the screen, so that it never shows in
// the simple layout first; the dialog's own button does the switch.
void MainWindow::settingsWindowShows(QObject* dialogWindow)
{
    if (dialogWindow->objectName() != QLatin1String("settingsDialog"))
        return;
    settingsDetailedPending_ = false;
    dialogWindow->removeEventFilter(this);
    if (auto* layoutButton = dialogWindow->findChild<QPushButton*>(QStringLiteral("layoutButton")))
        layoutButton->click();
}
