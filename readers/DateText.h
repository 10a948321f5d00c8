#pragma once

#include <optional>
#include <string>
#include <string_view>

// The capture date as the places outside Exif write it, in the Exif layout the date columns take
// ("2021:07:14 09:30:15"): the local time as written, its time zone left out. A date without a
// time of day is the date at midnight, and XMP's year alone or year and month is its first day, as
// exiftool lays such dates out; a text that is no date gives nothing.

// ISO 8601 as XMP writes it: "2021-07-14T09:30:15+02:00", with or without seconds, their
// fraction, the time zone or the whole time, or only "2021-07" or "2021"; the Exif layout itself
// also passes.
std::optional<std::string> DateFromIso8601(std::string_view text);

// IPTC's DateCreated ("20210714") with its TimeCreated ("093015+0200"), which may be missing. A
// date with an unknown month or day ("20210000") gives nothing.
std::optional<std::string> DateFromIptc(std::string_view date, std::string_view time);

// A PNG "Creation Time" text: RFC 1123 ("Wed, 14 Jul 2021 09:30:15 +0200"), as the PNG
// standard recommends, else ISO 8601.
std::optional<std::string> DateFromPngText(std::string_view text);
