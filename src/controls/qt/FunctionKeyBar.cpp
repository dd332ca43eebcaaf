#include "controls/qt/FunctionKeyBar.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

QString keyName(int item)
{
    return QStringLiteral("F%1").arg(item + 1);
}

}  // namespace

FunctionKeyBar::FunctionKeyBar(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    for (int item = 0; item < kItems; ++item) {
        auto* button = new QPushButton(this);
        button->setFocusPolicy(Qt::NoFocus);  // the keys act wherever the focus is
        button->setToolTip(keyName(item));
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        button->setStyleSheet(QStringLiteral("QPushButton { padding: 1px 0px; }"));
        button->setEnabled(false);  // no caption yet
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
    // Fitting a caption measures it in several sizes: only a new one pays.
    if (captions_[item] == caption)
        return;
    captions_[item] = caption;
    fitCaption(item);
    // An empty caption does nothing when pressed; show it as such.
    buttons_[item]->setEnabled(!caption.isEmpty());
}

QString FunctionKeyBar::caption(int item) const
{
    if (item < 0 || item >= kItems)
        return {};
    return captions_[item];
}

QPushButton* FunctionKeyBar::button(int item) const
{
    if (item < 0 || item >= kItems)
        return nullptr;
    return buttons_[item];
}

bool FunctionKeyBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        const auto at = std::find(buttons_.begin(), buttons_.end(), watched);
        if (at != buttons_.end())
            fitCaption(int(at - buttons_.begin()));
    }
    return QWidget::eventFilter(watched, event);
}

// The width the button's style leaves for its text, less a pixel each side
// so that no stroke touches the edge.
int FunctionKeyBar::textRoom(const QPushButton* button) const
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return std::max(0, std::min(contents.width(), button->width()) - 2);
}

// A narrow key shows its whole caption, such as "チャットアウト", in a
// smaller face; below the smallest readable size it is shortened with "…"
// and the whole caption becomes the key's tooltip. It is never cut off.
void FunctionKeyBar::fitCaption(int item)
{
    constexpr double kSmallest = 5.0;
    ++fitCount_;
    QPushButton* button = buttons_[item];
    const QString& caption = captions_[item];
    QFont face = font();
    const double full = face.pointSizeF() > 0 ? face.pointSizeF() : 9.0;
    const double room = textRoom(button);
    double size = full;
    face.setPointSizeF(size);
    while (QFontMetricsF(face).horizontalAdvance(caption) > room && size - 0.5 >= kSmallest) {
        size -= 0.5;
        face.setPointSizeF(size);
    }
    const bool fits = QFontMetricsF(face).horizontalAdvance(caption) <= room;
    const QString shown = fits ? caption : QFontMetricsF(face).elidedText(caption, Qt::ElideRight, room);
    if (button->font() != face)
        button->setFont(face);
    if (button->text() != shown)
        button->setText(shown);
    button->setToolTip(fits ? keyName(item) : caption);
}
