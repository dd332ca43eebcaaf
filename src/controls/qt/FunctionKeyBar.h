#pragma once

#include <QString>
#include <QWidget>

#include <array>

class QPushButton;

// The function-key bar: twelve items, F1 to F12, each with a caption. The
// keys F1 to F12, pressed wherever the focus is in the bar's window, and a
// click on an item both report the key; what the key does is decided by
// whoever listens, from the caption.
class FunctionKeyBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kItems = 12;

    explicit FunctionKeyBar(QWidget* parent = nullptr);

    void setCaption(int item, const QString& caption);
    // The whole caption, also when the key shows it shortened.
    QString caption(int item) const;
    // The item's button, for tests that click it.
    QPushButton* button(int item) const;
    // How many times a caption has been fitted to its key; measuring is what
    // a caption costs, so the window's tests count it.
    int fitCount() const { return fitCount_; }

signals:
    // The key's number, counted from 1 (F1 is 1).
    void keyPressed(int number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindKeys();
    void fitCaption(int item);
    int textRoom(const QPushButton* button) const;

    std::array<QPushButton*, kItems> buttons_{};
    std::array<QString, kItems> captions_;
    int fitCount_ = 0;
};
