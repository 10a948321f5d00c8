#pragma once

#include "extract/RecordComposer.h"

#include <optional>
#include <string>
#include <string_view>

// Composes the map file: a GeoJSON FeatureCollection (RFC 7946) with one Point per photo that has
// a position, longitude first in WGS 84 degrees as GPS records them, the altitude as a third
// coordinate when known, and the photo's name and columns as its properties, keyed by their
// headings: a number as a JSON number, a text or date as a string, an empty field as null. Every text is written as
// valid UTF-8, a name that is not read as Windows-1252.
class MapComposer {
public:
    // The text before the first feature and after the last.
    static std::string_view Opening();
    static std::string_view Closing();
    // Written between two features.
    static std::string_view Between();

    // The feature of one photo, or nothing when it has no usable position. The coordinates are
    // the photo's own numbers (signed decimal degrees, metres), written in full precision rather
    // than as the six decimals of the columns.
    std::optional<std::string> Feature(std::string_view name, const std::vector<Column>& columns, const Fields& fields,
                                       std::optional<double> latitude, std::optional<double> longitude,
                                       std::optional<double> altitude) const;
};
