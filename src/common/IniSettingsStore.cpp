#include "common/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

namespace {

qint64 nanoseconds(const timespec& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

IniSettingsStore::IniSettingsStore(QString path)
    : path_(std::move(path)), app_(QFileInfo(path_).completeBaseName())
{}

IniSettingsStore::~IniSettingsStore()
{
    if (!pending_.empty())
        flush();
}

QString IniSettingsStore::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/ZKT/") + SettingsLookup::appName() + QStringLiteral(".ini");
}

bool IniSettingsStore::holds(const QString& app) const
{
    if (app == app_)
        return true;
    lastError_ = QStringLiteral("%1 holds the settings of %2, not of %3").arg(path_, app_, app);
    return false;
}

IniSettingsStore::Stamp IniSettingsStore::stampNow() const
{
    struct stat info {};
    Stamp stamp;
    if (::stat(QFile::encodeName(path_).constData(), &info) != 0) {
        stamp.error = errno;
        return stamp;
    }
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = nanoseconds(info.st_mtim);
    stamp.changedNs = nanoseconds(info.st_ctim);
    return stamp;
}

void IniSettingsStore::refresh() const
{
    const Stamp now = stampNow();
    if (stamp_ && *stamp_ == now)
        return;
    stamp_ = now;
    readFile(now);
    doc_ = IniDocument::parse(diskBytes_);
    readNotice_ = unreadableNotice(doc_);
    if (doc_.unreadable() && readError_.isEmpty())
        readError_ = QStringLiteral("cannot read %1: UTF-16 text that does not decode").arg(path_);
    for (const Change& change : pending_)
        apply(doc_, change);
}

QString IniSettingsStore::unreadableNotice(const IniDocument& doc) const
{
    // A few line numbers tell the user where to look; all of them could be millions.
    constexpr int kShown = 5;
    const QList<int> lines = doc.unreadableLines();
    if (lines.isEmpty())
        return {};
    QStringList numbers;
    for (int i = 0; i < std::min<qsizetype>(kShown, lines.size()); ++i)
        numbers << QString::number(lines[i]);
    QString notice = QStringLiteral("%1: lines that cannot be read are ignored: %2")
                         .arg(path_, numbers.join(QStringLiteral(", ")));
    if (lines.size() > kShown)
        notice += QStringLiteral(" (%1 in all)").arg(lines.size());
    return notice;
}

void IniSettingsStore::readFile(const Stamp& stamp) const
{
    diskBytes_.clear();
    readError_.clear();
    if (stamp.error == ENOENT)
        return;
    if (stamp.error != 0) {
        readError_ = QStringLiteral("cannot reach %1: %2").arg(path_, systemError(stamp.error));
        return;
    }
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        readError_ = QStringLiteral("cannot read %1: %2").arg(path_, file.errorString());
        return;
    }
    diskBytes_ = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        diskBytes_.clear();
        readError_ = QStringLiteral("cannot read %1: %2").arg(path_, file.errorString());
    }
}

void IniSettingsStore::apply(IniDocument& doc, const Change& change) const
{
    if (change.removesSection)
        doc.removeSection(change.section);
    else
        doc.setValue(change.section, change.key, change.value);
}

QString IniSettingsStore::get(const QString& app, const QString& section, const QString& key,
                              const QString& fallback) const
{
    if (!holds(app))
        return fallback;
    refresh();
    lastError_ = readError_.isEmpty() ? readNotice_ : readError_;
    return doc_.value(section, key).value_or(fallback);
}

void IniSettingsStore::change(const QString& app, Change change)
{
    if (!holds(app))
        return;
    lastError_.clear();
    // Only what this process changed is merged into the file at flush():
    // re-saving the value it last read must not undo another's save.
    if (!change.removesSection && doc_.value(change.section, change.key) == change.value)
        return;
    apply(doc_, change);
    pending_.push_back(std::move(change));
}

void IniSettingsStore::save(const QString& app, const QString& section, const QString& key,
                            const QString& text)
{
    change(app, {section, key, text});
}

void IniSettingsStore::deleteSection(const QString& app, const QString& section)
{
    change(app, {section, {}, {}, true});
}

bool IniSettingsStore::flush()
{
    lastError_.clear();
    if (pending_.empty())
        return true;
    if (!makeFolder())
        return false;
    // Another client may be saving too: read, merge and replace under one lock.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    errno = 0;
    if (!lock.tryLock(lockWaitMs_))
        return fail(lockError(lock.error(), errno));
    // Merge with the file as it is now, so that edits made meanwhile survive.
    refresh();
    if (!readError_.isEmpty())
        return fail(readError_ + QStringLiteral("; the file is left as it is"));
    const QByteArray bytes = doc_.serialize();
    const bool unchanged = stamp_->error == ENOENT ? bytes.isEmpty() : bytes == diskBytes_;
    if (!unchanged && !writeFile(bytes))
        return false;
    pending_.clear();
    return true;
}

QString IniSettingsStore::lockError(QLockFile::LockError error, int systemErrno) const
{
    const QString lockPath = path_ + QStringLiteral(".lock");
    switch (error) {
    case QLockFile::LockFailedError:
        return QStringLiteral("cannot save %1: another program holds %2").arg(path_, lockPath);
    case QLockFile::PermissionError:
        return QStringLiteral("cannot create %1: %2").arg(lockPath, systemError(EACCES));
    default:
        // QLockFile names no reason; the system's is still in errno.
        return QStringLiteral("cannot create %1: %2")
            .arg(lockPath, systemErrno != 0 ? systemError(systemErrno) : QStringLiteral("unknown reason"));
    }
}

bool IniSettingsStore::makeFolder()
{
    const QString folder = QFileInfo(path_).absolutePath();
    QStringList missing;
    for (QString dir = folder; !QFileInfo::exists(dir); dir = QFileInfo(dir).absolutePath()) {
        if (missing.contains(dir))
            break;
        missing.prepend(dir);
    }
    for (const QString& dir : missing) {
        // Settings hold a password: the folder is the owner's alone.
        if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)
            return fail(QStringLiteral("cannot create folder %1: %2").arg(dir, systemError(errno)));
    }
    return true;
}

bool IniSettingsStore::writeFile(const QByteArray& bytes)
{
    // A temporary file beside the old one, renamed over it once complete:
    // readers see the old file or the new one, never a part. mkstemp makes
    // it readable by its owner only, as a file holding a password must be.
    QByteArray temporary = QFile::encodeName(path_) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return failWrite(errno);
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    if (::close(fd) != 0 && written)
        return failWrite(errno, temporary);
    if (!written)
        return failWrite(writeErrno, temporary);
    if (::rename(temporary.constData(), QFile::encodeName(path_).constData()) != 0)
        return failWrite(errno, temporary);
    diskBytes_ = bytes;
    stamp_ = stampNow();
    return true;
}

bool IniSettingsStore::writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

bool IniSettingsStore::failWrite(int error, const QByteArray& temporary)
{
    if (!temporary.isEmpty())
        ::unlink(temporary.constData());
    return fail(QStringLiteral("cannot write %1: %2").arg(path_, systemError(error)));
}

bool IniSettingsStore::fail(const QString& error)
{
    lastError_ = error;
    return false;
}

void IniSettingsStore::discard()
{
    pending_.clear();
    // Back to the file as last read; the next read looks at the disk again.
    doc_ = IniDocument::parse(diskBytes_);
    stamp_.reset();
}

bool IniSettingsStore::isFresh() const
{
    return pending_.empty() && stampNow().error == ENOENT;
}
