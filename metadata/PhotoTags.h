#pragma once

#include <cstdint>
#include <string>

// A GPS latitude or longitude as the photo stores it: three rationals and a reference letter.
struct GpsCoordinate {
    float degrees = 0.0f;
    float minutes = 0.0f;
    float seconds = 0.0f;
    std::string reference;  // "S" and "W" make the coordinate negative

    bool operator==(const GpsCoordinate&) const = default;
};

// What one reading of a photo file yields: its pixel dimensions and the texts of the tags the
// program knows. Texts are UTF-8; a tag the photo lacks is empty.
struct PhotoTags {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string dateTime;
    std::string fNumber;
    std::string exposureTime;
    std::string isoSpeed;
    std::string make;
    std::string model;
    std::string flash;
    std::string focalLength;
    std::string subjectDistance;
    GpsCoordinate latitude;
    GpsCoordinate longitude;
    std::string comment;
    std::string gpsAltitude;
    std::string gpsTimeStamp;
    std::string gpsImgDirection;
    std::string gpsDateStamp;
    std::string headline;
    std::string caption;
    std::string keywords;
    std::string lensModel;
    std::string xpKeywords;
    std::string xpAuthor;
    std::string xpComment;
    std::string xpSubject;
    std::string xpTitle;
    std::string gpsAltitudeRef;
    std::string orientation;

    bool operator==(const PhotoTags&) const = default;
};
