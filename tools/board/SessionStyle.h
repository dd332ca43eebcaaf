#pragma once

#include <QString>

// How a session dresses its text, so the board can look like the real hosts
// the client meets: plain or coloured, and which line end it writes.
struct SessionStyle {
    enum class LineEnd { CrLf, Lf, LfCr };

    bool colour = false;
    LineEnd lineEnd = LineEnd::CrLf;

    QString lineEndText() const
    {
        switch (lineEnd) {
        case LineEnd::Lf:
            return QStringLiteral("\n");
        case LineEnd::LfCr:
            return QStringLiteral("\n\r");
        case LineEnd::CrLf:
            break;
        }
        return QStringLiteral("\r\n");
    }
};
