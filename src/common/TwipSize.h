#pragma once

// A size in twips (1/1440 inch), the unit the windows' layouts are given in.
struct TwipSize {
    double width = 0;
    double height = 0;
    friend bool operator==(const TwipSize&, const TwipSize&) = default;
};
