#pragma once

// How a find compares text: by default letters match whatever their case,
// and full-width and half-width forms (ＡＢＣ / ABC, ｱｲｳ / アイウ) match each
// other.
struct FindOptions {
    bool matchCase = false;
    bool matchWidth = false;

    bool operator==(const FindOptions&) const = default;
};
