#include "support/FakeWindow.h"

void FakeWindow::setFunctionKeyCaption(int item, const QString& caption) {
    captions.at(item) = caption;
    captionWrites.emplace_back(item, caption);
}
