#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

#include "common/MemorySettingsStore.h"
#include "controls/GridModel.h"
#include "controls/GridViewState.h"
#include "controls/TelnetSocket.h"
#include "controls/qt/FontMeasurer.h"
#include "main/DialogueSession.h"
#include "support/FakeSocket.h"
#include "support/FakeTime.h"
#include "support/FakeWindow.h"

class QWidget;
class SpreadGrid;

// The receive path as the main window wires it: the dialogue, both grid
// models, their views measured by a real FontMeasurer and, when asked, shown
// (offscreen) in a window of the given size. Unless a real socket is given,
// the connection is always up and only counts the replies; the clock moves
// a minute at every reading, so the guard against repeated replies never
// stops the thousands of answers to the same prompt.
class BenchRig {
public:
    struct Options {
        bool views = false;
        int width = 800;
        int height = 600;
        // Views stay where the benchmark puts them instead of following the mode.
        bool autoChangeWindow = true;
        // No handle name is stored: the client looks it up after the log-in.
        bool lookUpHandle = false;
        // Rows each view keeps; 0 keeps all.
        int logLines = 0;
        // A real socket to connect through, with the board's address.
        TelnetSocket* socket = nullptr;
        QString host;
        int port = 0;
    };
    BenchRig() : BenchRig(Options{}) {}
    explicit BenchRig(const Options& options);
    ~BenchRig();

    // One received block: data arrival, decoding, ReceiveText.
    void receive(const char* bytes, qsizetype size);
    // Splits `bytes` into blocks of `block` bytes. The views are brought up
    // to date as a window brings them: after every 16 ms of this work, and
    // once after the last block.
    void receiveAll(const QByteArray& bytes, qsizetype block);
    // One display frame: both views brought up to date.
    void tick();

    DialogueSession& dialogue() { return *dialogue_; }
    GridModel& terminalModel() { return terminalModel_; }
    GridModel& chatModel() { return chatModel_; }
    SpreadGrid* terminalView() { return terminalView_; }
    SpreadGrid* chatView() { return chatView_; }
    QWidget* window() { return window_.get(); }

private:
    MemorySettingsStore store_;
    FakeSocket socket_;
    FakeWindow port_;
    FakeTimeSource time_;
    FontMeasurer measurer_;
    GridModel terminalModel_{1};
    GridModel chatModel_{2};
    // The views without widgets, when none are shown.
    struct HeadlessViews {
        HeadlessViews(GridModel& terminal, GridModel& chat) : terminal(terminal), chat(chat) {}
        GridViewState terminal;
        GridViewState chat;
    };
    std::optional<HeadlessViews> headless_;
    std::unique_ptr<DialogueSession> dialogue_;
    std::unique_ptr<QWidget> window_;
    SpreadGrid* terminalView_ = nullptr;
    SpreadGrid* chatView_ = nullptr;
};
