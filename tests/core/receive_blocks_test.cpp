// Text received in blocks of any size is handled exactly as if each character
// came alone: the pipeline's shortcuts over runs of characters (one scan for
// line ends and closing characters, word facts read only when a step asks)
// change no reply, row, mode or handle.

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "main/LineFacts.h"
#include "support/DialogueFixture.h"

using namespace Qt::StringLiterals;

namespace {

// One client as the main window wires it, connected and logging in.
struct Client : WiredDialogue {
    explicit Client(bool autoGetHandle)
    {
        AppSettings& s = dialogue.settings();
        s.UserID = u"taro01"_s;
        s.Password = u"secret"_s;
        s.HandleName = autoGetHandle ? QString() : u"Taro"_s;
        s.AutoGetHandleName = autoGetHandle;
        dialogue.functionKeyPressed(1);
        socket.setState(TelnetSocket::Connected);
    }

    QStringList rows(const GridModel& grid, int col) const
    {
        QStringList texts;
        for (int row = 1; row <= grid.rowCount(); ++row)
            texts.append(grid.text(col, row).toString());
        return texts;
    }
};

void expectSame(const Client& whole, const Client& single)
{
    ASSERT_EQ(whole.socket.sentTexts(), single.socket.sentTexts());
    ASSERT_EQ(whole.rows(whole.terminal, 1), single.rows(single.terminal, 1));
    ASSERT_EQ(whole.rows(whole.chat, 1), single.rows(single.chat, 1));
    ASSERT_EQ(whole.rows(whole.chat, 2), single.rows(single.chat, 2));
    ASSERT_EQ(whole.dialogue.currentMode(), single.dialogue.currentMode());
    ASSERT_EQ(whole.dialogue.pendingCommand(), single.dialogue.pendingCommand());
    ASSERT_EQ(whole.dialogue.settings().HandleName, single.dialogue.settings().HandleName);
    ASSERT_DOUBLE_EQ(whole.terminalView.columnWidth(1), single.terminalView.columnWidth(1));
}

TEST(ReceiveBlocks, AnyBlockSizeActsAsOneCharacterAtATime)
{
    const QStringList pieces = {
        u"User ID = "_s,
        u"Password = "_s,
        u"Handle Name = "_s,
        u"MAIN (G,C,I,?) >"_s,
        u"CHAT (E,W,0) >"_s,
        u"INSTALL (1-9) >"_s,
        u"H: ハンドル名 : "_s,
        u"Jiro  "_s,
        u"Bob>こんにちは"_s,
        u"発言>hello "_s,
        u"Taro>hello"_s,
        u"> = >"_s,
        u"UserID Password 間違っています｡"_s,
        u"Taroさんがチャットルームに入室しました。"_s,
        u"ﾊﾝﾄﾞﾙ名前"_s,
        u"\r\n"_s,
        u"\r"_s,
        u"\n"_s,
        u" "_s,
        u"x"_s,
    };
    std::mt19937 random(20240611);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const bool autoGetHandle = round % 2 == 0;
        Client whole(autoGetHandle), single(autoGetHandle);
        for (int b = 0; b < 40; ++b) {
            if (random() % 8 == 0) {
                const int key = 1 + int(random() % 3);
                whole.dialogue.functionKeyPressed(key);
                single.dialogue.functionKeyPressed(key);
            }
            QString block;
            for (int p = int(random() % 6); p >= 0; --p)
                block += pieces[random() % pieces.size()];
            whole.socket.pushText(block);
            for (QChar c : block)
                single.socket.pushText(QString(c));
            ASSERT_NO_FATAL_FAILURE(expectSame(whole, single)) << block.toStdString();
        }
    }
}

// Facts taken in later, from the line, are the facts taken in at once.
TEST(ReceiveBlocks, LineFactsTakenInLaterAgreeWithAppending)
{
    const QStringList pieces = {u"MAIN ("_s,   u"CHAT ("_s,        u"INST"_s, u"ALL ("_s, u"User ID"_s,
                                u"Password"_s, u"H: ハンドル名"_s, u" : "_s,  u"名前 "_s, u"x"_s};
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        QString line;
        LineFacts now, later;
        for (int p = int(random() % 10); p >= 0; --p) {
            const QString piece = pieces[random() % pieces.size()];
            line += piece;
            now.append(piece);
            later.appendLater(piece);
            if (random() % 3 == 0)
                later.catchUp(line);
        }
        later.catchUp(line);
        for (int w = 0; w < LineFacts::kWordCount; ++w)
            ASSERT_EQ(later.contains(LineFacts::Word(w)), now.contains(LineFacts::Word(w)))
                << line.toStdString();
        ASSERT_EQ(later.length(), now.length());
        ASSERT_EQ(later.last(), now.last());
        ASSERT_EQ(later.hasHandleColon(), now.hasHandleColon());
        ASSERT_EQ(later.handleBegin(), now.handleBegin());
        ASSERT_EQ(later.handleEnd(), now.handleEnd());
    }
}

}  // namespace
