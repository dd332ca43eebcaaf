#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// A row of a parameterised test's table that names itself: failure messages
// and, with RowName, the test's own name say which row it was. `Row` is the
// row type deriving from it.
template <class Row> struct NamedRow {
    const char* name;
    friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
};

// INSTANTIATE_TEST_SUITE_P's namer: each test is named for its row.
struct RowName {
    template <class Row> std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        return info.param.name;
    }
};

// A parameterised test over `Fixture` whose table holds `Row`s.
template <class Fixture, class Row>
class RowTest : public Fixture, public ::testing::WithParamInterface<Row> {};
