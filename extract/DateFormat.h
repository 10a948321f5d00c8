#pragma once

#include "extract/ExtractionSettings.h"

#include <array>
#include <string>

// Number of date layouts the user can choose from.
constexpr int DateLayoutCount = 9;

// Re-arranges an Exif date text ("YYYY:MM:DD HH:MM:SS") into date layout `dateFormat` (0 to 8).
// Yields "" for a text that cannot be laid out: shorter than 18 characters, a month that is not a
// positive number, an unknown layout, or a month above 12 where the layout spells the month.
std::string FormatDate(const std::string& date, int dateFormat,
                       const std::array<std::string, ExtractionSettings::MonthCount>& monthNames);

// The Exif date text with the photo's fraction of a second after its seconds ("14:22:01" and "25"
// give "14:22:01.25"), where FormatDate keeps it in every layout. A text that is not a whole
// "YYYY:MM:DD HH:MM:SS", or no digits, leaves the date as it is.
std::string WithSubSeconds(const std::string& date, const std::string& subSecondDigits);
