#include "support/FakeWindow.h"

void FakeWindow::setFunctionKeyCaption(int item, const QString& caption)
{
    captions.at(item) = caption;
    if (keepHistory)
        captionWrites.emplace_back(item, caption);
}

void FakeWindow::showStatus(const QString& message)
{
    status = message;
    if (keepHistory)
        statuses.append(message);
}

void FakeWindow::showWarning(const QString& message)
{
    if (!keepHistory)
        return;
    statuses.append(message);
    warnings.append(message);
}
