#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>

#include <optional>
#include <vector>

#include "common/IniDocument.h"
#include "common/SettingsStore.h"

// The settings store as one INI file per application (the file's base name
// is the application name), one INI section per store section. The format
// and its quoting are described in IniDocument.h.
//
// Reads go through to the file: it is read again whenever its identity, size,
// or change times differ from the last read, so a hand edit is seen at the
// next read. Saves are kept in memory (and seen by reads at once) until
// flush(), which takes a lock beside the file (<file>.lock, shared with other
// clients), applies them to the file as it is on disk at that moment and
// replaces the file atomically. Only the keys this process changed (saving
// the value it last read changes nothing) and the sections it deleted
// change; everything else in the file stays as it was. The destructor
// flushes what is still pending.
//
// Failures: a file or folder that cannot be read reads as empty, with
// lastError() saying why, and flush() then refuses to replace the file. Lines
// that cannot be read are named by lastError() after a read and kept in the
// file. A failed flush leaves the file whole and keeps the changes pending,
// so a later flush() tries again; lastError() gives the system's reason.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(QString path);
    ~IniSettingsStore() override;
    IniSettingsStore(const IniSettingsStore&) = delete;
    IniSettingsStore& operator=(const IniSettingsStore&) = delete;

    // ${XDG_CONFIG_HOME:-$HOME/.config}/ZKT/<application name>.ini
    static QString defaultPath();

    QString path() const { return path_; }
    // The one application this file holds.
    QString appName() const { return app_; }

    // How long flush() waits for another client's save to end.
    void setLockWait(int milliseconds) { lockWaitMs_ = milliseconds; }

    QString get(const QString& app, const QString& section, const QString& key,
                const QString& fallback) const override;
    void save(const QString& app, const QString& section, const QString& key, const QString& text) override;
    void deleteSection(const QString& app, const QString& section) override;
    bool flush() override;
    void discard() override;
    bool isFresh() const override;

private:
    // What stat() said about the file; a change means the file must be read again.
    struct Stamp {
        int error = 0;  // errno of a failed stat, ENOENT when there is no file
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    struct Change {
        QString section;
        QString key;
        QString value;
        bool removesSection = false;
    };

    bool holds(const QString& app) const;
    Stamp stampNow() const;
    void refresh() const;
    void readFile(const Stamp& stamp) const;
    void apply(IniDocument& doc, const Change& change) const;
    void change(const QString& app, Change change);
    QString unreadableNotice(const IniDocument& doc) const;
    QString lockError(QLockFile::LockError error, int systemErrno) const;
    bool makeFolder();
    bool writeFile(const QByteArray& bytes);
    static bool writeAll(int fd, const QByteArray& bytes);
    bool failWrite(int error, const QByteArray& temporary = {});
    bool fail(const QString& error);

    QString path_;
    QString app_;
    int lockWaitMs_ = 5000;
    std::vector<Change> pending_;

    // The file as last read, with the pending changes applied.
    mutable IniDocument doc_;
    mutable QByteArray diskBytes_;
    mutable std::optional<Stamp> stamp_;
    mutable QString readError_;
    mutable QString readNotice_;  // lines that could not be read
};
