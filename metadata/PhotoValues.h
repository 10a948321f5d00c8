#pragma once

#include "metadata/PhotoTags.h"
#include "metadata/TagSource.h"

#include <cstdint>
#include <optional>
#include <string>

// A GPS latitude or longitude as the photo stores it: three rationals and a reference letter.
struct GpsCoordinate {
    float degrees = 0.0f;
    float minutes = 0.0f;
    float seconds = 0.0f;
    std::string reference;  // "S" and "W" make the coordinate negative
};

// The values of one photo and their formatting, one object for a whole run: ReadImage takes a
// photo's file status and tag values, the value operations turn them into the texts of the output
// columns, ClearValues empties them before the next photo. No value operation touches
// the file, and a column's text depends only on the values, never on which reader read them.
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
    std::string GetFNumber() const;
    std::string GetISOSpeed() const;
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

    // The capture date: the Exif date, else the XMP one, else a video's, else the file's creation
    // time.
    std::string GetDateTime() const;
    // The fraction of a second of the capture time, as its digits ("25" for .25); "" when the
    // photo does not say.
    std::string GetSubSecTimeOriginal() const;
    std::string GetMakeAndModel() const;
    std::string GetDimensions() const;
    std::string GetFileSize() const;
    std::string GetFocalLength() const;
    std::string GetSubjectDistance() const;
    std::string GetGPSImgDirection() const;
    std::string GetLensModel() const;
    std::string GetLatitude() const;
    std::string GetLongitude() const;
    std::string GetGPSAltitude() const;
    std::string GetGPSDateTime() const;

private:
    const TagValue& Value(Tag tag) const { return m_tags[tag]; }
    const std::string& Text(Tag tag) const { return m_tags[tag].text(); }
    // The first text that is not empty of the tags that give the column of `tag` (PreferenceOf).
    std::string FirstText(Tag tag) const;
    GpsCoordinate Coordinate(Tag position, Tag reference) const;

    TagSource& m_source;
    ReadOutcome m_lastOutcome = ReadOutcome::Read;
    PhotoTags m_tags;
    std::optional<std::int64_t> m_fileSize;  // empty when the file status could not be read
    std::string m_fileDate;
};

// A coordinate as signed decimal degrees with six decimals; "" when the photo has none.
std::string FormatDecimalDegrees(const GpsCoordinate& coordinate);
