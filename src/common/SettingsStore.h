#pragma once

#include <QString>

// The per-user store of text values addressed by application, section and
// key. The settings code above it never sees how values are kept.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or `fallback` when the key or its section is absent.
    virtual QString get(const QString& app, const QString& section, const QString& key,
                        const QString& fallback) const = 0;
    // Creates the section and key as needed.
    virtual void save(const QString& app, const QString& section, const QString& key,
                      const QString& text) = 0;
    // Removes the section with all its keys; absent sections are fine.
    virtual void deleteSection(const QString& app, const QString& section) = 0;
    // Makes every change so far durable. False, with lastError(), when it failed.
    virtual bool flush() = 0;
    // What went wrong with the last read or write, empty when nothing did.
    virtual QString lastError() const { return lastError_; }
    // Drops the changes that flush() has not made durable, as when the user
    // chooses to end without saving; stores that write at once have none.
    virtual void discard() {}
    // True while nothing was ever stored: no settings file yet, and nothing
    // saved since. Stores without such a file never are.
    virtual bool isFresh() const { return false; }

protected:
    // Set by the stores as they go; a read may fail too, hence mutable.
    mutable QString lastError_;
};
