#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "common/Cp932.h"
#include "common/MemorySettingsStore.h"
#include "common/QtTimeSource.h"
#include "controls/GridModel.h"
#include "controls/TelnetSocket.h"
#include "controls/qt/FontMeasurer.h"
#include "main/DialogueSession.h"
#include "main/MainWindowPort.h"

class QWidget;
class SpreadGrid;

// A connection that is always up and counts the replies; the benchmark
// pushes the host's bytes to the dialogue itself.
class BenchSocket : public TelnetSocket {
public:
    qint64 replies() const { return replies_; }

    void setRemoteHost(const QString&) override {}
    void setRemotePort(qint32) override {}
    void connectToRemote() override {}
    State state() const override { return Connected; }
    void close() override {}
    void sendData(const QString&) override { ++replies_; }
    void sendBytes(QByteArrayView) override { ++replies_; }
    qint64 unsentBytes() const override { return 0; }

private:
    qint64 replies_ = 0;
};

// Real timers, but a clock on which a minute passes at every reading: the
// benchmark answers the same prompt thousands of times, which the guard
// against repeated replies would otherwise stop.
class BenchTime : public TimeSource {
public:
    std::unique_ptr<Timer> createTimer() override { return timers_.createTimer(); }
    qint64 nowMs() const override { return now_ += 60000; }

private:
    QtTimeSource timers_;
    mutable qint64 now_ = 0;
};

class BenchWindow : public MainWindowPort {
public:
    void setFunctionKeyCaption(int, const QString&) override {}
    void setInputEnabled(bool) override {}
    void focusInput() override {}
    void setInputFont(const FontSpec&) override {}
    QString inputText() const override { return {}; }
    void setInputText(const QString&) override {}
    void showStatus(const QString&) override {}
    void alertUser() override {}
    void showWarning(const QString&) override {}
    void openSettingsDialog() override {}
    void exitApplication() override {}
};

// The receive path as the main window wires it: the dialogue, both grid
// models measured by a real FontMeasurer and, when asked, both views shown
// (offscreen) in a window of the given size.
class BenchRig {
public:
    struct Options {
        bool views = false;
        int width = 800;
        int height = 600;
        // Views stay where the benchmark puts them instead of following the mode.
        bool autoChangeWindow = true;
        // A real socket to connect through, with the board's address.
        TelnetSocket* socket = nullptr;
        QString host;
        int port = 0;
    };
    BenchRig() : BenchRig(Options{}) {}
    explicit BenchRig(const Options& options);
    ~BenchRig();

    // One received block: data arrival, decoding, receiveText.
    void receive(const char* bytes, qsizetype size);
    // Splits `bytes` into blocks of `block` bytes.
    void receiveAll(const QByteArray& bytes, qsizetype block);

    DialogueSession& dialogue() { return *dialogue_; }
    GridModel& terminal() { return terminal_; }
    GridModel& chat() { return chat_; }
    SpreadGrid* terminalView() { return terminalView_; }
    SpreadGrid* chatView() { return chatView_; }
    QWidget* window() { return window_.get(); }
    BenchSocket& benchSocket() { return socket_; }

private:
    MemorySettingsStore store_;
    BenchSocket socket_;
    BenchWindow port_;
    BenchTime time_;
    FontMeasurer measurer_;
    GridModel terminal_{1};
    GridModel chat_{2};
    std::unique_ptr<DialogueSession> dialogue_;
    std::unique_ptr<QWidget> window_;
    SpreadGrid* terminalView_ = nullptr;
    SpreadGrid* chatView_ = nullptr;
};
