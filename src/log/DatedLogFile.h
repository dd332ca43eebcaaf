#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QFile>
#include <QString>

// One kind of log (chat or terminal): a file per local day,
// <folder>/<prefix>-YYYY-MM-DD.txt, only ever appended to. The folder is
// made private (0700) and a new file readable by the user alone (0600).
class DatedLogFile {
public:
    explicit DatedLogFile(QString prefix) : prefix_(std::move(prefix)) {}

    void setFolder(const QString& folder);
    // Appends one line for `day`, moving to that day's file first. False,
    // with the reason in error(), when the file cannot be opened or written.
    bool append(QDate day, QByteArrayView line);
    // Hands what is buffered to the system.
    bool flush();
    void close();
    QString error() const { return error_; }
    QString path(QDate day) const;

private:
    bool openFor(QDate day);
    bool fail(const QString& what);

    QString prefix_;
    QString folder_;
    QDate day_;
    QFile file_;
    QString error_;
};
