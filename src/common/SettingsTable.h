#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <span>
#include <variant>

#include "common/AppSettings.h"

// The one list of the stored keys of AppSettings: key, type, accepted range
// and where the value lives in the record. Loading, saving and the tests walk
// this list; nothing else names the keys one by one. The default of each
// key is the record's own initial value (AppSettings{}), in its stored form.
namespace SettingsTable {

enum class Kind { Boolean, Integer, Text };

using Member = std::variant<bool AppSettings::*, qint32 AppSettings::*, QString AppSettings::*>;

struct Field {
    const char16_t* key;
    Kind kind;
    Member member;
    // Integers outside [minimum, maximum] are treated like text that does
    // not convert; the readers of the record could not use them.
    qint32 minimum = 0;
    qint32 maximum = 0;
    // Text that goes to the host as (part of) a line: a CR or LF in it would
    // end that line early and answer the next prompt, so it does not convert.
    bool sentToHost = false;
};

// All fields in declared order.
std::span<const Field> fields();

// The field stored under exactly `key`, or null.
const Field* find(QStringView key);

// The field's value in `record`, in its stored form ("True", "23", text).
QString storedText(const Field& field, const AppSettings& record);

// The stored form of the field's default.
QString defaultText(const Field& field);

// Converts `text` into the field of `record`. False, with the record
// untouched, when the text does not convert, is out of range, or would carry
// a line break to the host.
bool assign(const Field& field, QStringView text, AppSettings& record);

// Decimal text to a 32-bit integer; fractions go to the nearest whole number,
// halves to the even neighbour. Surrounding spaces are allowed.
std::optional<qint32> toInteger(QStringView text);

// "True"/"False" in any letter case, or a number: 0 is false, others true.
std::optional<bool> toBoolean(QStringView text);

}  // namespace SettingsTable
