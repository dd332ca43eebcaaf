#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Plays arbitrary bytes as a hostile board against the board dialogue and
// checks what must hold whatever the host sends.
//
// Input layout: four header bytes, then the host's bytes.
//   byte 0  settings: bit 0 guest log-in, 1 local echo, 2 no automatic handle
//           lookup, 3 no stored handle, 4 no automatic screen change,
//           5 own colour, 6 no stored user ID, 7 no stored password
//   byte 1  size of the odd blocks, byte 2 of the even ones: n + 1 bytes,
//           0xFF for all that is left
//   byte 3  after block i, bit (i mod 8) set: a user action chosen by the
//           block's last byte (mod 16): F1..F12, Enter on the input line,
//           the timer tick, the host closing, F4 twice
// The host closes at the end of the input if the connection is still up.
// The views are brought up to date (a display frame) after every block
// without an action, and at the end: blocks followed by actions are shown
// together with the next.
//
// Checked after every block and at the end:
//   - the terminal holds the decoded text: one row per CR plus the current
//     line, LF dropped, every other character as decoded, and the decoded
//     text is the same as decoding each connection's bytes in one go, its
//     column as wide as there after the last frame;
//   - every text sent is a reply the prompt automaton or a command key can
//     produce, followed by CR LF, and nothing is sent without a connection;
//   - the mode is a known mode word, every caption a known caption, and once
//     the connection has ended the client is in "LineOff" offering "ログイン";
//   - work stays linear in the input: characters measured for column widths
//     are bounded by a constant times the received characters. (Following a
//     growing handle name is checked by the core tests; here a super-linear
//     step shows as the fuzzer's per-input timeout.)
namespace ReceiveHarness {

// Empty when every check held; otherwise what broke.
QString run(const std::uint8_t* data, std::size_t size);

// What a played input left behind: the rows of both views, every send's
// bytes in the order they went out, and what broke (empty when nothing did).
struct Session {
    QString broken;
    QStringList terminalRows;
    std::vector<std::pair<QString, QString>> chatRows;  // handle, message
    std::vector<QByteArray> sent;
};
Session replay(const std::uint8_t* data, std::size_t size);

}  // namespace ReceiveHarness
