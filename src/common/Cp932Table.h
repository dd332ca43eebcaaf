#pragma once

// The code page 932 tables that tools/gen-cp932-table.py writes into
// Cp932Table.cpp. Flat arrays, so the decoder's inner loop is two lookups.
namespace Cp932::Table {

// The lead bytes 0x81-0x9F and 0xE0-0xFC, in order, are rows 0-59.
constexpr int kLeadCount = 60;
constexpr unsigned char kFirstTrail = 0x40;
constexpr int kTrailColumns = 0x100 - kFirstTrail;
constexpr unsigned char kNotLead = 0xFF;
// An entry of kDouble for a byte that cannot follow a lead byte.
constexpr char16_t kNotATrail = 0x0000;

// The character of each single byte; U+FFFD for undefined bytes and leads.
extern const char16_t kSingle[256];
// The row of each lead byte in kDouble, or kNotLead.
extern const unsigned char kLeadRow[256];
// [row][trail - kFirstTrail]: the character, U+FFFD for an undefined pair,
// or kNotATrail.
extern const char16_t kDouble[kLeadCount][kTrailColumns];

// Codes that decode to a character that Windows writes with another code
// (the NEC and IBM duplicates).
extern const int kNotPreferredCount;
extern const unsigned short kNotPreferred[];

// Characters that no code decodes to but that Windows writes with a code of a
// look-alike (U+301C WAVE DASH as 0x8160, which decodes to U+FF5E).
struct OneWay {
    char16_t ch;
    unsigned short code;
};
extern const int kOneWayCount;
extern const OneWay kOneWay[];

}  // namespace Cp932::Table
