#include "terminal/BytePath.h"

void BytePath::receive(QByteArrayView bytes) {
    QByteArrayView data;
    answers_.resize(0);
    telnet_.receive(bytes, data, answers_);
    decoded_.resize(0);
    decoder_.decode(data, decoded_);
}

void BytePath::finish() {
    decoded_.resize(0);
    decoder_.finish(decoded_);
}

void BytePath::reset() {
    telnet_.reset();
    decoder_.reset();
    controls_.reset();
}
