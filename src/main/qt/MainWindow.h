#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "main/InputHistory.h"
#include "main/MainWindowPort.h"
#include "main/WindowPlacement.h"

class DesktopNotifier;
class DialogueSession;
class FindBar;
class FontMeasurer;
class FunctionKeyBar;
class GridModel;
class QFrame;
class QInputMethodEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QStatusBar;
class SettingsStore;
class SpreadGrid;
class TelnetSocket;
class Timer;
class TimeSource;
class SettingsDialog;
class FontColorChooser;

// The main window: the two views in their container, the input line, the
// function-key bar and the status bar around the board dialogue.
class MainWindow : public QWidget, public MainWindowPort {
    Q_OBJECT
public:
    MainWindow(SettingsStore& store, TelnetSocket& socket, TimeSource& time, QWidget* parent = nullptr);
    ~MainWindow() override;

    DialogueSession& dialogue() { return *dialogue_; }
    GridModel& terminalModel() { return *terminalModel_; }
    GridModel& chatModel() { return *chatModel_; }
    SpreadGrid* terminalView() const { return terminalView_; }
    SpreadGrid* chatView() const { return chatView_; }
    QLineEdit* inputLine() const { return inputLine_; }
    FunctionKeyBar* functionKeys() const { return functionKeys_; }
    QStatusBar* statusBar() const { return statusBar_; }
    FindBar* findBar() const { return findBar_; }
    QWidget* terminalArea() const;
    // The one-line hint of a first start, shown over the empty views while
    // there is no settings file and nothing has been received.
    QLabel* firstStartHint() const { return firstStartHint_; }

    // The window load: settings, placement, screens.
    void load();
    void savePlacement();

    // How the exit command ends the process; tests replace it.
    void setExitHandler(std::function<void(int)> handler);
    void setSettingsDialogHandler(std::function<void()> handler);
    // Asked, with the reason, when the settings cannot be saved at exit: true
    // to try again, false to end without saving. By default a message box.
    void setSaveFailureQuestion(std::function<bool(const QString&)> ask);
    // Where a mention is announced while the window is not active; by
    // default the desktop's notification service.
    void setDesktopNotifier(std::unique_ptr<DesktopNotifier> notifier);

    // MainWindowPort
    void setFunctionKeyCaption(int item, const QString& caption) override;
    void setInputEnabled(bool enabled) override;
    void focusInput() override;
    void setInputFont(const FontSpec& font) override;
    QString inputText() const override;
    void setInputText(const QString& text) override;
    void showStatus(const QString& message) override;
    void alertUser() override;
    void announceMention(const QString& handle, const QString& message) override;
    void showWarning(const QString& message) override;
    void openSettingsDialog() override;
    void exitApplication() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void buildControls();
    void arrangeWindow();
    void arrangeViews();
    void showFirstStartHint();
    void hideFirstStartHint();
    void settingsWindowShows(QObject* dialogWindow);
    bool typingEvent(QObject* watched, QEvent* event);
    bool inputLineKey(QKeyEvent* key);
    bool viewKey(QKeyEvent* key);
    bool viewInputMethod(QInputMethodEvent* input);
    SpreadGrid* visibleView() const;
    void scrollVisibleView(bool up);
    void sendInputLine();
    void applyChatBackground();
    void applyPlacement();
    void fitOuterSize();
    void fitOuterSizeLater();
    QRect outerGeometry() const;
    void flushStore();
    bool askToRetrySave(const QString& error);
    void updateCaption();
    double dpi() const;
    int px(double twips) const;
    double twips(int px) const;

    SettingsStore& store_;
    TelnetSocket& socket_;
    std::unique_ptr<FontMeasurer> measurer_;
    std::unique_ptr<GridModel> terminalModel_;
    std::unique_ptr<GridModel> chatModel_;
    std::unique_ptr<DialogueSession> dialogue_;
    std::unique_ptr<Timer> timer_;
    std::unique_ptr<FontColorChooser> chooser_;
    std::unique_ptr<SettingsDialog> settingsDialog_;
    std::unique_ptr<DesktopNotifier> notifier_;

    QFrame* terminalArea_ = nullptr;
    SpreadGrid* terminalView_ = nullptr;
    SpreadGrid* chatView_ = nullptr;
    QLineEdit* inputLine_ = nullptr;
    FunctionKeyBar* functionKeys_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    FindBar* findBar_ = nullptr;
    QLabel* firstStartHint_ = nullptr;

    InputHistory history_;
    // A first start opens the settings in the layout that shows the address.
    bool settingsDetailedFirst_ = false;
    bool settingsDetailedPending_ = false;  // until the dialog's window shows

    QStringList warnings_;
    std::function<void(int)> exitHandler_;
    std::function<void()> settingsHandler_;
    std::function<bool(const QString&)> saveFailureQuestion_;
    bool exiting_ = false;
    bool outerSizePending_ = false;
    QSize wantedOuter_;  // the stored outer size, in pixels
    QSize requestedClient_;  // the client size given before the frame was known
    WindowPlacement::Outer storedOuter_;  // as read at load, in twips
    QRect fittedOuter_;  // where a stored placement was fitted to the screen; null if it fitted
};
