#pragma once

#include "extract/ColumnCatalogue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What a workbook's cells hold and how they show it, apart from the library that writes the file.

// Which part of a moment a date-time cell shows: its column's part of the layout.
enum class DatePart { Date, Time, DateAndTime };
DatePart DatePartOf(const Column& column);

// The most decimals of a second a number format can show.
inline constexpr int MaxSecondDecimals = 3;

// The moment as a spreadsheet's date serial: days since 30 December 1899, the time as a fraction
// of a day. Nothing for a date no calendar has (30 February) or one before 1 March 1900, where the
// spreadsheets' day count is off by one (they take 1900 for a leap year).
// For a date part, the day alone; for a time part, the time of day alone.
std::optional<double> DateSerial(const DateTimeParts& moment, DatePart part);

// The number format that shows a date-time cell as date layout `dateFormat` lays it out, with
// `decimals` decimals of a second. Month names are the reader's own: the format can show only the
// spreadsheet's names, short ("mmm") when every name given is three characters or fewer, else long.
std::string DateNumberFormat(const DateLayout& layout, DatePart part, int decimals);

// The most characters a cell holds, counted as the spreadsheets count them (in UTF-16 units).
inline constexpr std::size_t MaxCellCharacters = 32767;

// A text as a cell holds it: read as UTF-8 (else Windows-1252, as the CSV reads it), each control
// character that XML cannot carry (all below U+0020 but TAB, LF and CR) replaced by U+FFFD, and
// cut after MaxCellCharacters at a character boundary.
std::string CellText(std::string_view text);

// How many characters wide a text shows: its longest line, a wide (East Asian) character counted
// twice.
std::size_t DisplayWidth(std::string_view utf8);

// The longest link a spreadsheet keeps, in characters.
inline constexpr std::size_t MaxLinkLength = 2079;
// The most links a workbook gets. Spreadsheets take up to 65,530 a sheet, but the library holds
// every link in memory until the workbook is written, some 3 KB each: this many keep a run of any
// size within a few tens of megabytes.
inline constexpr std::size_t MaxLinks = 5000;

// A file:// link to the file at `absolutePath`, every byte but unreserved ones and the separators
// percent-encoded, so that no character of a name can end the link or start another.
std::string FileLink(std::string_view absolutePath);
// A link to the position on OpenStreetMap's map, with a marker.
std::string MapLink(double latitude, double longitude);
