#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The board's user accounts, read from a text file of lines
// "userid:password:handle". The handle may be empty: the board then asks
// for one at log-in. Blank lines and lines starting with "#" are skipped.
struct BoardAccount {
    QString userId;
    QString password;
    QString handle;
};

class BoardAccounts {
public:
    // Parses the file's text. Lines that cannot be used are skipped and
    // described in errors() ("line 3: ...").
    static BoardAccounts parse(const QString& text);
    // Reads a UTF-8 file; a missing or unreadable file gives no account and
    // an error.
    static BoardAccounts load(const QString& path);

    void add(const BoardAccount& account) { accounts_.append(account); }
    const BoardAccount* find(const QString& userId) const;
    int size() const { return accounts_.size(); }
    const QStringList& errors() const { return errors_; }

private:
    QList<BoardAccount> accounts_;
    QStringList errors_;
};

// Why a handle cannot be used, or an empty string when it can. Handles end
// at the first ">" of a chat line, so they may not hold one.
QString handleProblem(const QString& handle);
