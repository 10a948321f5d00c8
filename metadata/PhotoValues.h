#pragma once

#include "metadata/Field.h"
#include "metadata/PhotoTags.h"
#include "metadata/TagSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A GPS latitude or longitude as the photo stores it: three rationals and a reference letter. The
// quotients are kept in double precision, so that the six decimals written are right to the last.
struct GpsCoordinate {
    double degrees = 0.0;
    double minutes = 0.0;
    double seconds = 0.0;
    std::string reference;  // "S" and "W" make the coordinate negative
};

// The values of one photo and their formatting, one object for a whole run: ReadImage takes a
// photo's file status and tag values, the value operations turn them into the texts of the output
// columns (a Field where the value is a number), ClearValues empties them before the next photo.
// No value operation touches the file, and a column's text depends only on the values, never on
// which reader read them.
class PhotoValues {
public:
    explicit PhotoValues(TagSource& source);

    // Reads the photo's file status and tags. Never fails: an unreadable photo leaves 0 by 0
    // pixels, no tags and whatever the file status gives; LastOutcome says why.
    void ReadImage(const std::string& path);
    void ClearValues();
    // How the last ReadImage ended.
    ReadOutcome LastOutcome() const { return m_lastOutcome; }

    std::string GetMake() const;
    std::string GetModel() const;
    std::string GetExposureTime() const;
    Field GetFNumber() const;
    Field GetISOSpeed() const;
    std::string GetFlash() const;
    std::string GetComment() const { return Text(Tag::Comment); }
    // IPTC's texts, else the XMP ones that photo catalogues and phones write in their place.
    std::string GetHeadline() const { return FirstText(Tag::Headline); }
    std::string GetCaption() const { return FirstText(Tag::Caption); }
    std::string GetKeywords() const { return FirstText(Tag::Keywords); }
    std::string GetXPKeywords() const { return Text(Tag::XPKeywords); }
    std::string GetXPComment() const { return Text(Tag::XPComment); }
    std::string GetXPAuthor() const { return Text(Tag::XPAuthor); }
    std::string GetXPSubject() const { return Text(Tag::XPSubject); }
    std::string GetXPTitle() const { return Text(Tag::XPTitle); }

    // The capture date: the first of the dates the photo or video holds (PreferenceOf), else the
    // file's time (the older of its modification and creation times); none for a file that was not
    // read.
    std::string GetDateTime() const;
    // The fraction of a second of the capture time, as its digits ("25" for .25); "" when the
    // photo does not say.
    std::string GetSubSecTimeOriginal() const;
    // The capture date and its fraction of a second as numbers; none when GetDateTime is no whole
    // "YYYY:MM:DD HH:MM:SS".
    std::optional<DateTimeParts> CaptureMoment() const;
    std::string GetMakeAndModel() const;
    std::string GetDimensions() const;
    Field GetFileSize() const;
    Field GetFocalLength() const;
    Field GetSubjectDistance() const;
    Field GetGPSImgDirection() const;
    std::string GetLensModel() const;
    Field GetLatitude() const;
    Field GetLongitude() const;
    Field GetGPSAltitude() const;
    std::string GetGPSDateTime() const;

    // The position and altitude as numbers, for outputs that keep their full precision (the map);
    // empty where the texts above are empty.
    std::optional<double> Latitude() const;
    std::optional<double> Longitude() const;
    std::optional<double> Altitude() const;

    // The value of the tag asked for by the key at `slot` of TagSource::AskedKeys: a Number where
    // the reader found a plain number, else a text; Empty where the photo lacks it.
    Field Keyed(std::size_t slot) const;

private:
    const TagValue& Value(Tag tag) const { return m_tags[tag]; }
    const std::string& Text(Tag tag) const { return m_tags[tag].text(); }
    // The first text that is not empty of the tags that give the column of `tag` (PreferenceOf).
    std::string FirstText(Tag tag) const;
    GpsCoordinate Coordinate(Tag position, Tag reference) const;

    TagSource& m_source;
    ReadOutcome m_lastOutcome = ReadOutcome::Read;
    PhotoTags m_tags;
    std::vector<KeyedValue> m_keyed;
    std::optional<std::int64_t> m_fileSize;  // empty when the file status could not be read
    std::string m_fileDate;
};

// A coordinate as signed decimal degrees; empty when the photo has none.
std::optional<double> DecimalDegrees(const GpsCoordinate& coordinate);
// The same with six decimals; Empty when the photo has none.
Field FormatDecimalDegrees(const GpsCoordinate& coordinate);
