#pragma once

#include "extract/ColumnCatalogue.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

class CFotoHarvest;

// Composes the lines of the output file: the heading line and one record per photo.
//
// A quoted field is written between double quotes with any double quote inside it doubled. A bare
// field is written as it is, unless it holds the separator, a double quote, CR or LF: then it is
// quoted the same way, so that no value can break the columns of its line.
class RecordComposer {
public:
    RecordComposer(std::string separator, DateLayout layout);

    std::string HeadingLine(const ColumnSelection& ticked) const;

    // The record of the photo the reader has just read, or nothing when every ticked column's
    // value is empty (the name does not count).
    std::optional<std::string> Record(std::string_view name, const ColumnSelection& ticked,
                                      CFotoHarvest& reader) const;

    void AppendQuoted(std::string& line, std::string_view value) const;
    void AppendBare(std::string& line, std::string_view value) const;

private:
    std::string m_separator;
    DateLayout m_layout;
};

// The entries of the separator list, in its sorted order; SeparatorNum counts positions here.
const std::array<std::string_view, 4>& SeparatorListEntries();

// The separator a typed separator text stands for: its first character, "T" standing for TAB,
// nothing for an empty text.
std::string SeparatorFromText(std::string_view text);
