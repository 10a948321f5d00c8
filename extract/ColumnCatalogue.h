#pragma once

#include "extract/ExtractionSettings.h"
#include "metadata/Field.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class PhotoValues;

// How the capture date columns lay out their dates.
struct DateLayout {
    int dateFormat = 0;
    std::array<std::string, ExtractionSettings::MonthCount> monthNames;
    // The time gets the photo's fraction of a second, where it has one.
    bool subSeconds = false;
};

// One column of the output: the one place a column is defined. The built-in columns are the rows
// of the catalogue, in the order of the window's list, the heading line, every record and the
// Flags setting; a tag the user adds by its key is a row made from the key at run time.
struct Column {
    // How the delimited file writes a text of the column. A Number field is always written bare
    // and never taken for a formula (a negative latitude stays a number in a spreadsheet).
    enum class Quoting { Quoted, Bare, Number };
    // The column's field of the photo just read; `slot` is the column's own (Column::slot).
    using Value = Field (*)(const PhotoValues& photo, const DateLayout& layout, std::size_t slot);

    std::string name;     // what --columns calls it: a short name, or the tag's key
    std::string heading;  // the heading line's text and the map's property name
    Quoting quoting = Quoting::Quoted;
    Value value = nullptr;
    std::size_t slot = 0;  // a tag column's place among the keys the readers are asked for

    Field ValueOf(const PhotoValues& photo, const DateLayout& layout) const { return value(photo, layout, slot); }
};

// The built-in columns, in catalogue order.
const std::vector<Column>& ColumnCatalogue();
inline int ColumnCount()
{
    return static_cast<int>(ColumnCatalogue().size());
}

// The column of the tag named by `key`, whose value is the reading's keyed value at `slot`: a
// number bare, any other text quoted. The heading is the key itself, so that a heading line can
// be given back to --columns.
Column TagColumn(const std::string& key, std::size_t slot);
// Whether `text` has the form of a tag key: "Exif.", "Iptc." or "Xmp.", then a group and a name
// (and for XMP perhaps a path), in printable ASCII without blanks or commas. Whether libexiv2
// knows the key is the reader's to say (KnownTags.h).
bool IsTagKey(std::string_view text);

// The columns a run writes, as the settings choose them: the ticked built-in columns in catalogue
// order, then the ticked tags of ExtraTags in the order they were added, their slots counted among
// the ticked tags.
std::vector<Column> ChosenColumns(const ExtractionSettings& settings);
// The keys the readers are asked for to fill `columns`, in slot order.
std::vector<std::string> KeysOf(const std::vector<Column>& columns);
