#include "main/BoardCommands.h"

#include "common/AppSettings.h"
#include "controls/GridModel.h"
#include "controls/GridView.h"
#include "main/BoardModes.h"
#include "main/Captions.h"
#include "main/ChatFilter.h"
#include "main/Connection.h"
#include "main/MainWindowPort.h"
#include "main/PromptAutomaton.h"
#include "main/SessionActions.h"
#include "main/SingleLineText.h"

namespace {
constexpr qsizetype kTipLimit = 10000;  // characters

// The cell's text, or empty when the grid has no such cell.
QString readCell(const GridModel& grid, int col, int row)
{
    if (col < 1 || col > grid.columnCount() || row < 1 || row > grid.rowCount())
        return {};
    return grid.text(col, row).toString();
}
}  // namespace

BoardCommands::BoardCommands(Parts parts, GridView& terminalView, GridModel& chat, MainWindowPort& window,
                             const AppSettings& settings)
    : parts_(parts), terminalView_(terminalView), chat_(chat), window_(window), settings_(settings)
{}

void BoardCommands::functionKeyPressed(int number)
{
    if (number < 1 || number > BoardModes::kKeyCount)
        return;
    const int item = number - 1;
    const QString caption = parts_.modes.caption(item);
    parts_.automaton.resumeReplies();

    // The board commands clear their own caption so that each runs once until
    // the next mode change puts it back.
    auto startBoardCommand = [&](Command command) {
        parts_.modes.setCaption(item, QString());
        parts_.actions.startCommand(command);
    };

    const Mode mode = parts_.modes.current();
    if (caption == Captions::LogIn) {
        parts_.modes.setCaption(item, QString());
        parts_.actions.openLine();
    } else if (caption == Captions::Abort) {
        parts_.actions.abortConnection();
    } else if (caption == Captions::LogOut) {
        startBoardCommand(Command::LogOut);
    } else if (caption == Captions::ChatIn) {
        startBoardCommand(Command::ChatIn);
    } else if (caption == Captions::ChatOut) {
        startBoardCommand(Command::ChatOut);
    } else if (caption == Captions::SwitchScreen) {
        parts_.modes.switchScreen(terminalView_.isVisible() ? Screen::Chat : Screen::Terminal);
    } else if (caption == Captions::Settings) {
        parts_.actions.openSettings();
    } else if (caption == Captions::Help) {
        if (mode == Mode::Chat)
            parts_.connection.send(QStringLiteral("/?"));
        else if (mode == Mode::Main)
            parts_.connection.send(QStringLiteral("?"));
    } else if (caption == Captions::Exit) {
        window_.exitApplication();
    }
}

void BoardCommands::inputLineEnter()
{
    // One Enter sends one line, and no control character reaches the host as
    // a command, however the text came into the input line.
    const QString line = SingleLineText::Cleaned(window_.inputText());
    // An unsent line stays in the input line, so nothing typed is lost.
    if (!parts_.connection.send(line))
        return;
    parts_.automaton.resumeReplies();
    if (parts_.actions.hostEchoes())
        parts_.chatFilter.expectEcho(line);
    if (!line.startsWith(u'/') && settings_.LocalEcho)
        parts_.chatFilter.postChatLine(QStringLiteral("発言"), line);
    window_.setInputText(QString());
}

void BoardCommands::chatCellDoubleClick(int col, int row)
{
    window_.setInputText(window_.inputText() + readCell(chat_, col, row));
    if (col == 1)
        window_.setInputText(window_.inputText() + settings_.HandleSuffix);
}

void BoardCommands::timerTick()
{
    // Returning to LineOff is left to the close notification.
    parts_.connection.closeIfHostClosed();
}

QString BoardCommands::tipText(QStringView cellText)
{
    if (cellText.size() <= kTipLimit)
        return cellText.toString();
    qsizetype cut = kTipLimit;
    if (cellText[cut - 1].isHighSurrogate())
        --cut;  // never leave half a character
    return cellText.first(cut).toString() + u'…';
}
