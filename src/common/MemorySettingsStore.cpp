#include "common/MemorySettingsStore.h"

namespace {

// Names compare as in the settings file: without regard to letter case.
bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

const MemorySettingsStore::Section* MemorySettingsStore::findSection(const QString& app,
                                                                     const QString& section) const
{
    for (const Section& candidate : sections_) {
        if (candidate.app == app && sameName(candidate.name, section))
            return &candidate;
    }
    return nullptr;
}

MemorySettingsStore::Section* MemorySettingsStore::findSection(const QString& app, const QString& section)
{
    const auto* self = this;
    return const_cast<Section*>(self->findSection(app, section));
}

QString MemorySettingsStore::get(const QString& app, const QString& section, const QString& key,
                                 const QString& fallback) const
{
    if (const Section* found = findSection(app, section)) {
        for (const auto& [name, value] : found->values) {
            if (sameName(name, key))
                return value;
        }
    }
    return fallback;
}

void MemorySettingsStore::save(const QString& app, const QString& section, const QString& key,
                               const QString& text)
{
    lastError_ = failure_;
    if (!failure_.isEmpty())
        return;
    Section* found = findSection(app, section);
    if (!found) {
        sections_.append({app, section, {}});
        found = &sections_.last();
    }
    for (auto& entry : found->values) {
        if (sameName(entry.first, key)) {
            entry.second = text;
            return;
        }
    }
    found->values.append({key, text});
}

void MemorySettingsStore::deleteSection(const QString& app, const QString& section)
{
    lastError_ = failure_;
    if (!failure_.isEmpty())
        return;
    sections_.removeIf([&](const Section& s) { return s.app == app && sameName(s.name, section); });
}

bool MemorySettingsStore::flush()
{
    ++flushes_;
    lastError_ = failure_;
    return failure_.isEmpty();
}

bool MemorySettingsStore::hasSection(const QString& app, const QString& section) const
{
    return findSection(app, section) != nullptr;
}

QStringList MemorySettingsStore::keys(const QString& app, const QString& section) const
{
    QStringList names;
    if (const Section* found = findSection(app, section)) {
        for (const auto& entry : found->values)
            names << entry.first;
    }
    return names;
}

void MemorySettingsStore::failWrites(const QString& error)
{
    failure_ = error;
}
