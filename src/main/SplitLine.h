#pragma once

#include <QStringView>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

// A received line as the chat view reads it: the handle before the first ">"
// (spaces trimmed) and the message after it; no ">" means no handle. Views of
// the line, so splitting copies nothing.
struct SplitLine {
    QStringView handle;
    QStringView message;

    static SplitLine of(QStringView line)
    {
        const qsizetype mark = TextHelpers::indexOf(line, u'>');
        if (mark < 0)
            return {{}, line};
        return {TextHelpers::trimSpaces(line.left(mark)), line.sliced(mark + 1)};
    }
};
