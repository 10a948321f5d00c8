#pragma once

#include "extract/ExtractionSettings.h"

#include <array>
#include <bitset>
#include <string>
#include <string_view>

class PhotoValues;

constexpr int ColumnCount = 29;
using ColumnSelection = std::bitset<ColumnCount>;

// How the capture date columns lay out their dates.
struct DateLayout {
    int dateFormat = 0;
    std::array<std::string, ExtractionSettings::MonthCount> monthNames;
    // The time gets the photo's fraction of a second, where it has one.
    bool subSeconds = false;
};

// One of the data columns the user can tick. Its index is its place in the window's list, in the
// heading line, in every record and in the Flags setting.
struct Column {
    // A number is written bare like a text that needs no quotes, but is never taken for a formula
    // (a negative latitude stays a number in a spreadsheet).
    enum class Quoting { Quoted, Bare, Number };

    std::string_view heading;
    Quoting quoting;
    std::string (*value)(PhotoValues& reader, const DateLayout& layout);
};

const std::array<Column, ColumnCount>& ColumnCatalogue();

// The selection that a Flags text describes ("1" ticks a column, anything else does not).
ColumnSelection SelectionFromFlags(std::string_view flags);
// Exactly ColumnCount characters, "1" for a ticked column and "0" for the others.
std::string FlagsFromSelection(const ColumnSelection& selection);
