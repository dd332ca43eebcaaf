#include "support/FakeSocket.h"

#include "common/Cp932.h"

void FakeSocket::connectToRemote()
{
    ++connectCount_;
    state_ = stayConnected_ ? Connected : stateAfterConnect_;
}

void FakeSocket::close()
{
    ++closeCount_;
    if (!stayConnected_)
        state_ = Closed;
}

void FakeSocket::stayConnected()
{
    stayConnected_ = true;
    state_ = Connected;
}

void FakeSocket::countSend()
{
    ++sendCount_;
    if (state_ != Connected)
        ++sendsWithoutConnection_;
}

void FakeSocket::sendData(const QString& text)
{
    countSend();
    const Cp932::Encoded encoded = Cp932::encode(text);
    if (keepSent_) {
        sentTexts_.append(text);
        sentBytes_.push_back(encoded.bytes);
        wire_.push_back(encoded.bytes);
    }
    // As the desktop socket does: the text went out, with "?" in place of
    // what the code page cannot hold.
    if (!encoded.exact && listener_)
        listener_->onSendInexact();
}

void FakeSocket::sendBytes(QByteArrayView bytes)
{
    countSend();
    if (keepSent_) {
        sentRaw_.append(bytes);
        wire_.push_back(bytes.toByteArray());
    }
}

void FakeSocket::pushText(const QString& text)
{
    pushBytes(Cp932::encode(text).bytes);
}

void FakeSocket::pushBytes(QByteArrayView bytes)
{
    if (listener_)
        listener_->onBytesReceived(bytes);
}

void FakeSocket::hostCloses()
{
    state_ = Closing;
    if (listener_)
        listener_->onCloseByHost();
}

void FakeSocket::failConnect(const QString& reason)
{
    state_ = Closed;
    if (listener_)
        listener_->onConnectFailed(reason);
}

void FakeSocket::clearSent()
{
    sentRaw_.clear();
    sentTexts_.clear();
    sentBytes_.clear();
    wire_.clear();
}
