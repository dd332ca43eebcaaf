#include "BoardAccounts.h"

#include <QFile>

namespace {

constexpr int kMaxHandleLength = 20;

bool hasControl(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

}  // namespace

QString handleProblem(const QString& handle)
{
    if (handle.isEmpty())
        return QStringLiteral("ハンドル名が空です。");
    if (handle.contains(u'>'))
        return QStringLiteral("ハンドル名に \">\" は使えません。");
    if (hasControl(handle))
        return QStringLiteral("ハンドル名に制御文字は使えません。");
    if (handle.size() > kMaxHandleLength)
        return QStringLiteral("ハンドル名は %1 文字までです。").arg(kMaxHandleLength);
    if (handle == u"SYSOP" || handle == u"発言")
        return QStringLiteral("そのハンドル名は使えません。");
    return {};
}

BoardAccounts BoardAccounts::parse(const QString& text)
{
    BoardAccounts result;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const auto where = QStringLiteral("line %1: ").arg(i + 1);
        const int first = line.indexOf(u':');
        const int second = first < 0 ? -1 : line.indexOf(u':', first + 1);
        if (second < 0) {
            result.errors_.append(where + QStringLiteral("expected userid:password:handle"));
            continue;
        }
        BoardAccount account{line.left(first), line.mid(first + 1, second - first - 1),
                             line.mid(second + 1).trimmed()};
        if (account.userId.isEmpty() || account.userId.compare(u"Guest", Qt::CaseInsensitive) == 0) {
            result.errors_.append(where + QStringLiteral("the user ID is empty or \"Guest\""));
            continue;
        }
        if (!account.handle.isEmpty() && !handleProblem(account.handle).isEmpty()) {
            result.errors_.append(where + QStringLiteral("unusable handle"));
            continue;
        }
        if (result.find(account.userId)) {
            result.errors_.append(where + QStringLiteral("duplicate user ID"));
            continue;
        }
        result.accounts_.append(account);
    }
    return result;
}

BoardAccounts BoardAccounts::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        BoardAccounts result;
        result.errors_.append(path + QStringLiteral(": ") + file.errorString());
        return result;
    }
    BoardAccounts result = parse(QString::fromUtf8(file.readAll()));
    for (QString& error : result.errors_)
        error.prepend(path + QStringLiteral(": "));
    return result;
}

const BoardAccount* BoardAccounts::find(const QString& userId) const
{
    for (const BoardAccount& account : accounts_) {
        if (account.userId == userId)
            return &account;
    }
    return nullptr;
}
