#include "support/qt/LiveClient.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/qt/FunctionKeyBar.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "controls/qt/Fonts.h"

LiveClient::LiveClient()
{
    // The Windows faces the client asks for, as the program maps them.
    Fonts::registerSubstitutions();
    window = std::make_unique<MainWindow>(store, socket, time);
    // The exit command must not end the test program.
    window->setExitHandler([](int) {});
}

LiveClient::~LiveClient()
{
    window.reset();
}

void LiveClient::set(const QString& key, const QString& value)
{
    SettingsLookup::writeSetting(store, key, value);
}

void LiveClient::start()
{
    window->load();
    window->show();
}

bool LiveClient::press(int number)
{
    QPushButton* key = window->functionKeys()->button(number - 1);
    if (!key || !key->isEnabled())
        return false;
    key->click();
    return true;
}

bool LiveClient::enter(const QString& text)
{
    QLineEdit* input = window->inputLine();
    if (!input->isEnabled())
        return false;
    // As typed: key events, which a disabled field would refuse.
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(input, &typed);
    QKeyEvent enterKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(input, &enterKey);
    return true;
}

QStringList LiveClient::terminalRows() const
{
    return terminalRowsOf(window->terminalModel());
}

QString LiveClient::currentLine() const
{
    const GridModel& grid = window->terminalModel();
    return grid.rowCount() == 0 ? QString() : grid.text(1, grid.rowCount()).toString();
}

std::vector<ChatRow> LiveClient::chatRows() const
{
    return chatRowsOf(window->chatModel());
}

std::array<QString, 12> LiveClient::captions() const
{
    return captionsOf([this](int item) { return window->functionKeys()->caption(item); });
}

bool LiveClient::terminalShown() const
{
    return window->terminalView()->isVisible();
}

bool LiveClient::chatShown() const
{
    return window->chatView()->isVisible();
}

bool LiveClient::inputEnabled() const
{
    return window->inputLine()->isEnabled();
}

Mode LiveClient::mode() const
{
    return window->dialogue().currentMode();
}
