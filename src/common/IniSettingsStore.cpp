#include "common/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "common/modZkCommon.h"

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

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
{
}

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
    return base + QStringLiteral("/ZKT/") + modZkCommon::AppName() + QStringLiteral(".ini");
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
    for (const Change& change : pending_)
        apply(doc_, change);
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
    lastError_ = readError_;
    return doc_.value(section, key).value_or(fallback);
}

void IniSettingsStore::change(const QString& app, Change change)
{
    if (!holds(app))
        return;
    lastError_.clear();
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
    // Merge with the file as it is now, so that edits made meanwhile survive.
    refresh();
    if (!readError_.isEmpty())
        return fail(readError_ + QStringLiteral("; the file is left as it is"));
    const QByteArray bytes = doc_.serialize();
    const bool unchanged = stamp_->error == ENOENT ? bytes.isEmpty() : bytes == diskBytes_;
    if (!unchanged && !(makeFolder() && writeFile(bytes)))
        return false;
    pending_.clear();
    return true;
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
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(path_, file.errorString()));
    // The file holds a password: readable by its owner only, also when replaced.
    // Qt 6.4's commit() renames the temporary file over the old one even
    // when its own final flush failed (disk full), so flush and check first.
    if (!file.setPermissions(kOwnerOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return fail(QStringLiteral("cannot write %1: %2").arg(path_, error));
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path_, file.errorString()));
    diskBytes_ = bytes;
    stamp_ = stampNow();
    return true;
}

bool IniSettingsStore::fail(const QString& error)
{
    lastError_ = error;
    return false;
}

QString IniSettingsStore::lastError() const
{
    return lastError_;
}
