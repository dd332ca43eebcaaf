#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "common/SettingsStore.h"

// A settings store held in memory, for tests and for running without a
// settings file. Keys keep the order in which they were first saved, and the
// spelling they were first saved with; names compare without letter case.
class MemorySettingsStore final : public SettingsStore {
public:
    QString get(const QString& app, const QString& section, const QString& key,
                const QString& fallback) const override;
    void save(const QString& app, const QString& section, const QString& key, const QString& text) override;
    void deleteSection(const QString& app, const QString& section) override;
    bool flush() override;

    bool hasSection(const QString& app, const QString& section) const;
    QStringList keys(const QString& app, const QString& section) const;
    int flushCount() const { return flushes_; }

    // From now on saves and deletes change nothing and flush() fails with
    // `error`, as a store whose medium became unwritable; empty ends that.
    void failWrites(const QString& error);

private:
    struct Section {
        QString app;
        QString name;
        QList<QPair<QString, QString>> values;
    };

    const Section* findSection(const QString& app, const QString& section) const;
    Section* findSection(const QString& app, const QString& section);

    QList<Section> sections_;
    QString failure_;
    int flushes_ = 0;
};
