#include "controls/LinkFinder.h"

namespace {

bool isAsciiAlnum(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The characters an address may hold (RFC 3986: unreserved, reserved and
// "%"); anything else ends it.
bool isAddressChar(char16_t c)
{
    if (isAsciiAlnum(c))
        return true;
    switch (c) {
    case u'-':
    case u'.':
    case u'_':
    case u'~':
    case u':':
    case u'/':
    case u'?':
    case u'#':
    case u'[':
    case u']':
    case u'@':
    case u'!':
    case u'$':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'*':
    case u'+':
    case u',':
    case u';':
    case u'=':
    case u'%':
        return true;
    default:
        return false;
    }
}

// Characters that end a sentence or a quote rather than an address.
bool isTrailingPunctuation(char16_t c)
{
    switch (c) {
    case u'.':
    case u',':
    case u';':
    case u':':
    case u'!':
    case u'?':
    case u'\'':
    case u'*':
        return true;
    default:
        return false;
    }
}

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// The length of "http://" or "https://" at `at` (any letter case), or 0.
qsizetype schemeAt(QStringView text, qsizetype at)
{
    static constexpr char16_t kHttp[] = u"http";
    for (int k = 0; k < 4; ++k)
        if (at + k >= text.size() || lower(text[at + k].unicode()) != kHttp[k])
            return 0;
    qsizetype i = at + 4;
    if (i < text.size() && lower(text[i].unicode()) == u's')
        ++i;
    if (text.sliced(i).startsWith(u"://"))
        return i + 3 - at;
    return 0;
}

// The end of the address that starts at `at` with a scheme of `scheme`
// units, or `at` when nothing follows the scheme.
qsizetype addressEnd(QStringView text, qsizetype at, qsizetype scheme)
{
    qsizetype end = at + scheme;
    int openRound = 0, openSquare = 0;
    while (end < text.size() && isAddressChar(text[end].unicode())) {
        const char16_t c = text[end].unicode();
        openRound += c == u'(' ? 1 : c == u')' ? -1 : 0;
        openSquare += c == u'[' ? 1 : c == u']' ? -1 : 0;
        ++end;
    }
    while (end > at + scheme) {
        const char16_t c = text[end - 1].unicode();
        if (isTrailingPunctuation(c)) {
            --end;
        } else if (c == u')' && openRound < 0) {
            ++openRound;
            --end;
        } else if (c == u']' && openSquare < 0) {
            ++openSquare;
            --end;
        } else {
            break;
        }
    }
    return end == at + scheme ? at : end;
}

}  // namespace

namespace LinkFinder {

std::vector<Link> findLinks(QStringView text)
{
    std::vector<Link> links;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype h = text.indexOf(u"http", at, Qt::CaseInsensitive);
        if (h < 0)
            break;
        const qsizetype scheme = (h > 0 && isAsciiAlnum(text[h - 1].unicode())) ? 0 : schemeAt(text, h);
        const qsizetype end = scheme > 0 ? addressEnd(text, h, scheme) : h;
        if (end > h) {
            links.push_back({h, end - h});
            at = end;
        } else {
            at = h + 4;
        }
    }
    return links;
}

bool linkAt(QStringView text, qsizetype offset, Link* link)
{
    for (const Link& l : findLinks(text)) {
        if (offset >= l.start && offset < l.start + l.length) {
            if (link)
                *link = l;
            return true;
        }
        if (l.start > offset)
            break;
    }
    return false;
}

}  // namespace LinkFinder
