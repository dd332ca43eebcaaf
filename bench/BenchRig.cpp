#include "BenchRig.h"

#include <QWidget>

#include "common/modZkCommon.h"
#include "controls/qt/SpreadGrid.h"

BenchRig::BenchRig(const Options& options)
{
    using modZkCommon::WriteSetting;
    WriteSetting(store_, QStringLiteral("UserID"), QStringLiteral("demo"));
    WriteSetting(store_, QStringLiteral("Password"), QStringLiteral("demo"));
    WriteSetting(store_, QStringLiteral("HandleName"), QStringLiteral("たろう"));
    WriteSetting(store_, QStringLiteral("LocalEcho"), QStringLiteral("True"));
    WriteSetting(store_, QStringLiteral("AutoChangeWindow"), modZkCommon::BoolText(options.autoChangeWindow));
    if (options.socket) {
        WriteSetting(store_, QStringLiteral("ConnectionAddress"), options.host);
        WriteSetting(store_, QStringLiteral("ConnectionPort"), QString::number(options.port));
    }
    socket_.stayConnected();
    socket_.setKeepSent(false);
    port_.keepHistory = false;
    time_.setMsPerReading(60000);
    terminalModel_.setMeasurer(&measurer_);
    chatModel_.setMeasurer(&measurer_);
    const int width = options.width;
    const int height = options.height;
    if (options.views) {
        window_ = std::make_unique<QWidget>();
        window_->resize(width, height);
        terminalView_ = new SpreadGrid(terminalModel_, window_.get());
        chatView_ = new SpreadGrid(chatModel_, window_.get());
        terminalView_->setGeometry(0, 0, width, height);
        chatView_->setGeometry(0, 0, width, height);
    }
    TelnetSocket& socket = options.socket ? *options.socket : socket_;
    dialogue_ = std::make_unique<DialogueSession>(store_, socket, terminalModel_, chatModel_, port_,
                                                time_);
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
    for (qsizetype at = 0; at < bytes.size(); at += block)
        receive(bytes.constData() + at, std::min(block, bytes.size() - at));
}
