#include "log/DatedLogFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
constexpr QFile::Permissions kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

// Creates the folder and any missing parent, each private to the user.
bool makeFolder(const QString& folder, QString& error)
{
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    while (!QFileInfo::exists(path)) {
        missing.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    for (const QString& dir : missing) {
        if (!QDir().mkdir(dir, kPrivateFolder)) {
            error = dir + QStringLiteral(": フォルダを作れません");
            return false;
        }
    }
    if (!QFileInfo(folder).isDir()) {
        error = folder + QStringLiteral(": フォルダではありません");
        return false;
    }
    return true;
}
}  // namespace

void DatedLogFile::setFolder(const QString& folder)
{
    if (folder == folder_)
        return;
    close();
    file_.setFileName(QString());
    folder_ = folder;
}

QString DatedLogFile::path(QDate day) const
{
    return folder_ + u'/' + prefix_ + u'-' + day.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".txt");
}

bool DatedLogFile::append(QDate day, QByteArrayView line)
{
    if ((day != day_ || !file_.isOpen()) && !openFor(day))
        return false;
    if (file_.write(line.data(), line.size()) != line.size())
        return fail(file_.errorString());
    return true;
}

bool DatedLogFile::flush()
{
    if (!file_.isOpen() || file_.flush())
        return true;
    return fail(file_.errorString());
}

void DatedLogFile::close()
{
    if (file_.isOpen())
        file_.close();
    day_ = QDate();
}

bool DatedLogFile::openFor(QDate day)
{
    // What the old day's file still buffers goes out before it is closed.
    if (!flush())
        return false;
    close();
    if (folder_.isEmpty())
        return fail(QStringLiteral("保存先が設定されていません"));
    if (!makeFolder(folder_, error_))
        return false;
    file_.setFileName(path(day));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append, kPrivateFile))
        return fail(file_.errorString());
    day_ = day;
    return true;
}

bool DatedLogFile::fail(const QString& what)
{
    const QString where = file_.fileName().isEmpty() ? folder_ : file_.fileName();
    error_ = where.isEmpty() ? what : where + QStringLiteral(": ") + what;
    close();
    return false;
}
