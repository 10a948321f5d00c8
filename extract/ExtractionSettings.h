#pragma once

#include "metadata/PhotoFormats.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// Every setting the user keeps between runs. The window edits it, every run reads it, and the
// settings store loads and saves it field by field through the table below.
struct ExtractionSettings {
    static constexpr int MonthCount = 12;

    std::string Folder;
    std::string OutFile;
    // Character i is "1" when column i is ticked; anything else, or a missing character, is not.
    // The built-in columns come first (ColumnCatalogue.h), then the extra tags in their order.
    std::string Flags = std::string(25, '0');
    std::int32_t CommentLine = 0;
    std::array<std::string, MonthCount> MonthNames;
    std::int32_t DateFormat = 0;
    std::int32_t FullFilePath = 0;
    std::int32_t SeparatorNum = 0;
    // The separator as the window's box shows it, typed or chosen: what a run uses when
    // SeparatorNum names no entry of the list.
    std::string SeparatorText;
    std::int32_t SubSeconds = 0;
    std::int32_t SubFolders = 0;
    // 0: JPEG and TIFF only; 1: every photo format; 2: every photo format and videos
    // (PhotoFormats.h). A store that holds a value keeps it; only a new one starts with videos.
    std::int32_t Formats = 2;
    // A byte-order mark, and an apostrophe before any text a spreadsheet would take as a formula.
    std::int32_t Spreadsheet = 0;
    // Also write the positions as a GeoJSON map beside the output (the window's choice).
    std::int32_t MapFile = 0;
    // Tags the user added as columns, by their libexiv2 keys, in the order added, separated by
    // TagKeySeparator: a blank, which no key holds and which the store keeps as it is (a comma
    // would make a list of the value).
    std::string ExtraTags;
    static constexpr char TagKeySeparator = ' ';

    bool IsColumnTicked(int column) const;
    // The keys of ExtraTags, in order; an empty entry (two blanks by hand) is none.
    std::vector<std::string> ExtraTagKeys() const;
    // Whether any column is chosen: a run without one has nothing to write.
    bool ChoosesAnyColumn() const;
    bool operator==(const ExtractionSettings&) const = default;
    PhotoFormats ChosenFormats() const
    {
        return Formats == 0 ? PhotoFormats::JpegAndTiff : Formats == 1 ? PhotoFormats::All : PhotoFormats::AllWithVideo;
    }
};

// One persisted value of ExtractionSettings: its stored name, kind, where it lives and which
// stored values make sense. A stored value outside them reads as the default: a damaged or
// hand-edited store must not start the program with a layout or separator that does not exist.
struct SettingField {
    enum class Kind { Text, Number };
    // Longer than any folder, file name or month name; a text field holds no more than this.
    static constexpr std::size_t MaxTextLength = 32767;

    std::string name;
    Kind kind;
    std::string ExtractionSettings::*text = nullptr;                  // Kind::Text
    std::int32_t ExtractionSettings::*number = nullptr;               // Kind::Number
    int month = -1;                                                   // a month name: index into MonthNames
    std::int32_t minimum = std::numeric_limits<std::int32_t>::min();  // Kind::Number
    std::int32_t maximum = std::numeric_limits<std::int32_t>::max();

    std::string& Text(ExtractionSettings& settings) const;
    std::int32_t& Number(ExtractionSettings& settings) const;
    bool Accepts(const std::string& stored) const { return stored.size() <= MaxTextLength; }
    bool Accepts(std::int32_t stored) const { return stored >= minimum && stored <= maximum; }
};

// Every persisted value, in the order they are written when the program closes.
const std::vector<SettingField>& PersistedSettingFields();

// The ExtraTags text of `keys`.
std::string JoinTagKeys(const std::vector<std::string>& keys);

// A record with every default; the month names are given because they come from the locale.
ExtractionSettings DefaultSettings(const std::array<std::string, ExtractionSettings::MonthCount>& monthNames);
