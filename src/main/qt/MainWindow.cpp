#include "main/qt/MainWindow.h"

#include <QApplication>

#include <cmath>
#include <limits>
#include <utility>
#include <QFrame>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>

#include "common/SettingsStore.h"
#include "common/TimeSource.h"
#include "config/qt/FontColorChooser.h"
#include "config/qt/SettingsDialog.h"
#include "controls/GridModel.h"
#include "controls/TelnetSocket.h"
#include "controls/qt/FindBar.h"
#include "controls/qt/FontMeasurer.h"
#include "controls/qt/FunctionKeyBar.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "controls/qt/Fonts.h"
#include "main/qt/DBusNotifier.h"
#include "main/qt/SingleLineValidator.h"

namespace {

constexpr int kTimerIntervalMs = 50;

}  // namespace

MainWindow::MainWindow(SettingsStore& store, TelnetSocket& socket, TimeSource& time, QWidget* parent)
    : QWidget(parent), store_(store), socket_(socket), measurer_(std::make_unique<FontMeasurer>()),
      terminalModel_(std::make_unique<GridModel>(1)), chatModel_(std::make_unique<GridModel>(2)),
      timer_(time.createTimer()), notifier_(std::make_unique<DBusNotifier>())
{
    setWindowTitle(QStringLiteral("ZKT"));
    buildControls();
    // The widest-text widths of both views, measured in the display font.
    GridViewState& terminal = terminalView_->gridView();
    GridViewState& chat = chatView_->gridView();
    terminal.setMeasurer(measurer_.get());
    chat.setMeasurer(measurer_.get());
    chat.measureBorrowedTextBy(terminal);
    dialogue_ = std::make_unique<DialogueSession>(store_, socket_, *terminalModel_, *chatModel_, terminal,
                                                  chat, *this, time);
    applyChatBackground();
    socket_.setListener(dialogue_.get());

    // The periodic socket check runs for the life of the window; the handler
    // stops the timer around its own work.
    timer_->onTimeout = [this] {
        timer_->stop();
        dialogue_->timerTick();
        updateCaption();
        timer_->start(kTimerIntervalMs);
    };
    timer_->start(kTimerIntervalMs);
}

MainWindow::~MainWindow()
{
    socket_.setListener(nullptr);
}

void MainWindow::buildControls()
{
    terminalArea_ = new QFrame(this);
    terminalArea_->setObjectName(QStringLiteral("terminalArea"));
    terminalArea_->setFrameShape(QFrame::NoFrame);
    terminalArea_->installEventFilter(this);

    terminalView_ = new SpreadGrid(*terminalModel_, terminalArea_);
    terminalView_->setObjectName(QStringLiteral("terminalView"));
    chatView_ = new SpreadGrid(*chatModel_, terminalArea_);
    chatView_->setObjectName(QStringLiteral("chatView"));
    const auto tip = [](QStringView text) { return BoardCommands::tipText(text); };
    terminalView_->setTipTextProvider(tip);
    chatView_->setTipTextProvider(tip);
    connect(chatView_, &SpreadGrid::cellDoubleClicked, this,
            [this](int col, int row) { dialogue_->chatCellDoubleClick(col, row); });

    inputLine_ = new QLineEdit(this);
    inputLine_->setObjectName(QStringLiteral("inputLine"));
    // A line of any length goes to the host whole: no silent cut at
    // QLineEdit's default of 32,767 characters.
    inputLine_->setMaxLength(std::numeric_limits<int>::max());
    inputLine_->setValidator(new SingleLineValidator(inputLine_));
    connect(inputLine_, &QLineEdit::returnPressed, this, [this] { sendInputLine(); });
    // Up, Down and Shift+PageUp/PageDown in the input line; typing in a view.
    inputLine_->installEventFilter(this);
    terminalView_->installEventFilter(this);
    chatView_->installEventFilter(this);

    // F1 to F12 and clicks on the bar's items alike.
    functionKeys_ = new FunctionKeyBar(this);
    functionKeys_->setObjectName(QStringLiteral("functionKeys"));
    connect(functionKeys_, &FunctionKeyBar::keyPressed, this,
            [this](int number) { dialogue_->functionKeyPressed(number); });

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    statusBar_->setSizeGripEnabled(false);

    // Ctrl+F: the find bar over the view shown; closed, it gives the keys
    // back to the input line.
    findBar_ = new FindBar(terminalArea_);
    findBar_->setViews({terminalView_, chatView_});
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, findBar_, &FindBar::open);
    connect(findBar_, &FindBar::closed, this, [this] {
        if (inputLine_->isEnabled())
            inputLine_->setFocus(Qt::OtherFocusReason);
    });
}

QWidget* MainWindow::terminalArea() const
{
    return terminalArea_;
}

double MainWindow::dpi() const
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return shown ? shown->logicalDotsPerInch() : 96.0;
}

int MainWindow::px(double twips) const
{
    return int(std::lround(twips * dpi() / 1440.0));
}

double MainWindow::twips(int px) const
{
    return px * 1440.0 / dpi();
}

// --- MainWindowPort ---------------------------------------------------------

void MainWindow::setFunctionKeyCaption(int item, const QString& caption)
{
    functionKeys_->setCaption(item, caption);
}

void MainWindow::setInputEnabled(bool enabled)
{
    inputLine_->setEnabled(enabled);
}

void MainWindow::focusInput()
{
    inputLine_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::setInputFont(const FontSpec& font)
{
    inputLine_->setFont(Fonts::toQFont(font));
}

QString MainWindow::inputText() const
{
    return inputLine_->text();
}

void MainWindow::setInputText(const QString& text)
{
    inputLine_->setText(text);
}

void MainWindow::showStatus(const QString& message)
{
    statusBar_->showMessage(message);
}

// Kept in the status bar's tip, so that the next message does not take it
// away before the user could read it.
void MainWindow::showWarning(const QString& message)
{
    if (!warnings_.contains(message))  // the settings are read again at each log-in
        warnings_.append(message);
    statusBar_->setToolTip(warnings_.join(u'\n'));
    showStatus(message);
}

void MainWindow::alertUser()
{
    // Does nothing while the window is active.
    QApplication::alert(this);
}

void MainWindow::announceMention(const QString& handle, const QString& message)
{
    // The user is looking at the window already.
    if (isActiveWindow())
        return;
    QApplication::alert(this);
    notifier_->notify(handle, message);
}

void MainWindow::setDesktopNotifier(std::unique_ptr<DesktopNotifier> notifier)
{
    notifier_ = std::move(notifier);
}

void MainWindow::openSettingsDialog()
{
    settingsDetailedPending_ = std::exchange(settingsDetailedFirst_, false);
    if (settingsHandler_) {
        settingsHandler_();
    } else {
        // The dialog object is made on first use and reused; its window is
        // new at each opening.
        if (!settingsDialog_) {
            chooser_ = std::make_unique<StandardFontColorChooser>();
            settingsDialog_ = std::make_unique<SettingsDialog>(store_, *chooser_);
        }
        settingsDialog_->openModal(this);
    }
    settingsDetailedPending_ = false;
    // Stored settings: the hint of a first start has served.
    if (firstStartHint_ && !store_.isFresh())
        hideFirstStartHint();
}

// Rows with a handle are drawn on the view's own background.
void MainWindow::applyChatBackground()
{
    const QColor base = chatView_->palette().color(QPalette::Base);
    dialogue_->setChatBackground(qint32(base.red() | (base.green() << 8) | (base.blue() << 16)));
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && dialogue_)
        applyChatBackground();
    if (event->type() == QEvent::ActivationChange)
        fitOuterSizeLater();
}

void MainWindow::setExitHandler(std::function<void(int)> handler)
{
    exitHandler_ = std::move(handler);
}

void MainWindow::setSettingsDialogHandler(std::function<void()> handler)
{
    settingsHandler_ = std::move(handler);
}

void MainWindow::exitApplication()
{
    dialogue_->flushLogs();
    savePlacement();
    flushStore();
    // The window's own closing handling must not store the placement again.
    exiting_ = true;
    if (exitHandler_)
        exitHandler_(0);
    else
        QCoreApplication::exit(0);
}

void MainWindow::updateCaption()
{
    // A glance at the taskbar tells whether the user is on line, and where.
    QString caption = QStringLiteral("ZKT");
    if (socket_.state() == TelnetSocket::Connected) {
        const AppSettings& settings = dialogue_->settings();
        caption += QStringLiteral(" - %1:%2").arg(settings.ConnectionAddress).arg(settings.ConnectionPort);
    }
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void MainWindow::setSaveFailureQuestion(std::function<bool(const QString&)> ask)
{
    saveFailureQuestion_ = std::move(ask);
}

void MainWindow::flushStore()
{
    while (!store_.flush()) {
        const QString error = store_.lastError();
        const QString message = QStringLiteral("設定を保存できませんでした: %1").arg(error);
        showStatus(message);
        // At exit the status bar is gone a moment later; the terminal keeps it.
        qWarning("%s", qUtf8Printable(message));
        const bool retry = saveFailureQuestion_ ? saveFailureQuestion_(error) : askToRetrySave(error);
        if (!retry) {
            // Ending without saving: nothing may be written when the store ends.
            store_.discard();
            return;
        }
    }
}

bool MainWindow::askToRetrySave(const QString& error)
{
    // The process ends right after: the user must see that the save failed.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("ZKT"),
                    QStringLiteral("設定を保存できませんでした。\n%1").arg(error), QMessageBox::NoButton,
                    this);
    QPushButton* retry = box.addButton(QStringLiteral("再試行"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("保存せずに終了"), QMessageBox::RejectRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}
