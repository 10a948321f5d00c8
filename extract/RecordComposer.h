#pragma once

#include "extract/ColumnCatalogue.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class PhotoValues;

// The fields of one photo, one per column of the run, in the order of its columns.
using Fields = std::vector<Field>;

// What a file for spreadsheets starts with, so that they take it as UTF-8.
inline constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// Composes the lines of the output file: the heading line and one record per photo.
//
// A quoted field is written between double quotes with any double quote inside it doubled. A bare
// field is written as it is, unless it holds the separator, a double quote, CR or LF: then it is
// quoted the same way, so that no value can break the columns of its line. A number is bare in
// any column; a text is written as its column's Quoting says.
//
// For spreadsheets, a name or value that a spreadsheet would take as a formula (it begins with
// "=", "+", "-", "@", TAB or CR) gets an apostrophe in front, so that it stays text; a number
// such as a negative latitude is no formula and stays as it is.
class RecordComposer {
public:
    RecordComposer(std::string separator, DateLayout layout, bool forSpreadsheets = false);

    std::string HeadingLine(const std::vector<Column>& columns) const;

    // The columns' fields of the photo the reader has just read.
    Fields Values(const std::vector<Column>& columns, const PhotoValues& photo) const;
    // The record of a photo, or nothing when every column's field is empty (the name does not
    // count).
    std::optional<std::string> Record(std::string_view name, const std::vector<Column>& columns,
                                      const Fields& fields) const;
    std::optional<std::string> Record(std::string_view name, const std::vector<Column>& columns,
                                      const PhotoValues& photo) const;

private:
    // `isText`: the value is a text, which for spreadsheets may need keeping from being a formula.
    void AppendQuoted(std::string& line, std::string_view value, bool isText) const;
    void AppendBare(std::string& line, std::string_view value, bool isText) const;

    std::string m_separator;
    DateLayout m_layout;
    bool m_forSpreadsheets;
};

// The entries of the separator list, in its sorted order; SeparatorNum counts positions here.
const std::array<std::string_view, 4>& SeparatorListEntries();

// The separator a typed separator text stands for: its first character, "T" standing for TAB,
// nothing for an empty text.
std::string SeparatorFromText(std::string_view text);
