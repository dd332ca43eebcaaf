#pragma once

#include <QStringView>
#include <QtGlobal>

#include <vector>

// Finds http and https addresses in a line of text. An address runs from
// its scheme to the first character that cannot be part of one (white
// space, a full-width or other non-ASCII character, a quote or angle
// bracket), less trailing punctuation (".", ",", "!", "?", ...) and closing
// brackets it did not open. Work grows with the line, linearly.
namespace LinkFinder {

struct Link {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Link&) const = default;
};

std::vector<Link> findLinks(QStringView text);

// The link that holds the character at `offset`, if any.
bool linkAt(QStringView text, qsizetype offset, Link* link);

}  // namespace LinkFinder
