#pragma once

#include <QString>

// A display font as the settings describe it: face, whole points and style.
struct FontSpec {
    QString name;
    int size = 10;
    bool bold = false;
    bool italic = false;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};
