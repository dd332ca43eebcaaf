#include "BenchRig.h"

#include <QWidget>

#include "Measure.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/qt/SpreadGrid.h"

BenchRig::BenchRig(const Options& options)
{
    using SettingsLookup::writeSetting;
    writeSetting(store_, QStringLiteral("UserID"), QStringLiteral("demo"));
    writeSetting(store_, QStringLiteral("Password"), QStringLiteral("demo"));
    writeSetting(store_, QStringLiteral("HandleName"),
                 options.lookUpHandle ? QString() : QStringLiteral("たろう"));
    writeSetting(store_, QStringLiteral("AutoGetHandleName"), SettingsLookup::boolText(options.lookUpHandle));
    writeSetting(store_, QStringLiteral("LocalEcho"), QStringLiteral("True"));
    writeSetting(store_, QStringLiteral("AutoChangeWindow"),
                 SettingsLookup::boolText(options.autoChangeWindow));
    writeSetting(store_, QStringLiteral("LogLines"), QString::number(options.logLines));
    if (options.socket) {
        writeSetting(store_, QStringLiteral("ConnectionAddress"), options.host);
        writeSetting(store_, QStringLiteral("ConnectionPort"), QString::number(options.port));
    }
    socket_.stayConnected();
    socket_.setKeepSent(false);
    port_.keepHistory = false;
    time_.setMsPerReading(60000);
    const int width = options.width;
    const int height = options.height;
    if (options.views) {
        window_ = std::make_unique<QWidget>();
        window_->resize(width, height);
        terminalView_ = new SpreadGrid(terminalModel_, window_.get());
        chatView_ = new SpreadGrid(chatModel_, window_.get());
        terminalView_->setGeometry(0, 0, width, height);
        chatView_->setGeometry(0, 0, width, height);
    } else {
        headless_.emplace(terminalModel_, chatModel_);
    }
    GridViewState& terminal = terminalView_ ? terminalView_->gridView() : headless_->terminal;
    GridViewState& chat = chatView_ ? chatView_->gridView() : headless_->chat;
    terminal.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
    chat.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
    terminal.setMeasurer(&measurer_);
    chat.setMeasurer(&measurer_);
    chat.measureBorrowedTextBy(terminal);
    TelnetSocket& socket = options.socket ? *options.socket : socket_;
    dialogue_ = std::make_unique<DialogueSession>(store_, socket, terminalModel_, chatModel_, terminal, chat,
                                                  port_, time_);
    dialogue_->loadSettings();
    dialogue_->switchScreen(Screen::Init);
    dialogue_->openLine();
    if (window_)
        window_->show();
}

BenchRig::~BenchRig()
{
    window_.reset();
    dialogue_.reset();
}

void BenchRig::receive(const char* bytes, qsizetype size)
{
    dialogue_->receiveBytes(QByteArrayView(bytes, size));
}

void BenchRig::receiveAll(const QByteArray& bytes, qsizetype block)
{
    constexpr double kFrameSeconds = 0.016;
    double frameStart = Measure::workSeconds();
    for (qsizetype at = 0; at < bytes.size(); at += block) {
        receive(bytes.constData() + at, std::min(block, bytes.size() - at));
        if (Measure::workSeconds() - frameStart >= kFrameSeconds) {
            tick();
            frameStart = Measure::workSeconds();
        }
    }
    tick();
}

void BenchRig::tick()
{
    if (headless_) {
        headless_->terminal.bringUpToDate();
        headless_->chat.bringUpToDate();
    } else {
        terminalView_->gridView().bringUpToDate();
        chatView_->gridView().bringUpToDate();
    }
}
