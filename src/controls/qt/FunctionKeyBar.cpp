#include "controls/qt/FunctionKeyBar.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>

FunctionKeyBar::FunctionKeyBar(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    for (int item = 0; item < kItems; ++item) {
        auto* button = new QPushButton(this);
        button->setFocusPolicy(Qt::NoFocus);  // the keys act wherever the focus is
        button->setToolTip(QStringLiteral("F%1").arg(item + 1));
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        button->setStyleSheet(QStringLiteral("QPushButton { padding: 1px 0px; }"));
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, item] { emit keyPressed(item + 1); });
        row->addWidget(button, 1);
        // A gap after every fourth key, as on the keyboard.
        if (item % 4 == 3 && item + 1 < kItems)
            row->addSpacing(6);
        buttons_[item] = button;
    }
    bindKeys();
}

void FunctionKeyBar::bindKeys()
{
    // Window-wide, so a key reaches the bar from the input line and from
    // either view alike. Every key is reported, whatever its caption says:
    // the listener decides that an empty caption does nothing.
    for (int item = 0; item < kItems; ++item) {
        auto* key = new QShortcut(QKeySequence(Qt::Key_F1 + item), this);
        key->setContext(Qt::WindowShortcut);
        key->setAutoRepeat(false);
        connect(key, &QShortcut::activated, this, [this, item] { emit keyPressed(item + 1); });
    }
}

void FunctionKeyBar::setCaption(int item, const QString& caption)
{
    if (item < 0 || item >= kItems)
        return;
    buttons_[item]->setText(caption);
    fitCaption(buttons_[item]);
    // An empty caption does nothing when pressed; show it as such.
    buttons_[item]->setEnabled(!caption.isEmpty());
}

QString FunctionKeyBar::caption(int item) const
{
    if (item < 0 || item >= kItems)
        return {};
    return buttons_[item]->text();
}

QPushButton* FunctionKeyBar::button(int item) const
{
    if (item < 0 || item >= kItems)
        return nullptr;
    return buttons_[item];
}

bool FunctionKeyBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        fitCaption(static_cast<QPushButton*>(watched));
    return QWidget::eventFilter(watched, event);
}

// A narrow key still shows its whole caption, such as "チャットアウト", in a
// smaller face rather than cut off.
void FunctionKeyBar::fitCaption(QPushButton* button) const
{
    constexpr double kSmallest = 5.0;
    constexpr int kMargin = 6;
    QFont face = font();
    const double full = face.pointSizeF() > 0 ? face.pointSizeF() : 9.0;
    const int room = button->width() - kMargin;
    for (double size = full; size >= kSmallest; size -= 0.5) {
        face.setPointSizeF(size);
        if (QFontMetricsF(face).horizontalAdvance(button->text()) <= room)
            break;
    }
    if (button->font() != face)
        button->setFont(face);
}
