#include "metadata/CFotoHarvest.h"

#include "extract/CUtility.h"
#include "extract/NumberText.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <utility>

CFotoHarvest::CFotoHarvest(TagSource& source) : m_source(source) {}

int CFotoHarvest::ReadImage(const std::string& path)
{
    // A file whose status cannot be read gets no size and no date, never the previous photo's.
    if (const auto status = platform::ReadFileStatus(path)) {
        m_nFileSize = status->size;
        m_strFileDate = status->creationTime;
    } else {
        m_nFileSize.reset();
        m_strFileDate.clear();
    }

    TagReading reading = m_source.Read(path);
    m_lastOutcome = reading.outcome;
    StoreTags(reading.outcome == ReadOutcome::Read ? std::move(reading.tags) : PhotoTags{});
    return 0;
}

void CFotoHarvest::StoreTags(PhotoTags&& tags)
{
    m_nWidth = tags.width;
    m_nHeight = tags.height;
    m_strDateTime = std::move(tags.dateTime);
    m_strFNumber = std::move(tags.fNumber);
    m_strExposureTime = std::move(tags.exposureTime);
    m_strISOSpeed = std::move(tags.isoSpeed);
    m_strMake = std::move(tags.make);
    m_strModel = std::move(tags.model);
    m_strFlash = std::move(tags.flash);
    m_strFocalLength = std::move(tags.focalLength);
    m_strSubjectDistance = std::move(tags.subjectDistance);
    m_Latitude = std::move(tags.latitude);
    m_Longitude = std::move(tags.longitude);
    m_strComment = std::move(tags.comment);
    m_strGPSAltitude = std::move(tags.gpsAltitude);
    m_strGPSTimeStamp = std::move(tags.gpsTimeStamp);
    m_strGPSImgDirection = std::move(tags.gpsImgDirection);
    m_strGPSDateStamp = std::move(tags.gpsDateStamp);
    m_strHeadline = std::move(tags.headline);
    m_strCaption = std::move(tags.caption);
    m_strKeywords = std::move(tags.keywords);
    m_strLensModel = std::move(tags.lensModel);
    m_strXPKeywords = std::move(tags.xpKeywords);
    m_strXPAuthor = std::move(tags.xpAuthor);
    m_strXPComment = std::move(tags.xpComment);
    m_strXPSubject = std::move(tags.xpSubject);
    m_strXPTitle = std::move(tags.xpTitle);
    m_strGPSAltitudeRef = std::move(tags.gpsAltitudeRef);
    m_strOrientation = std::move(tags.orientation);
}

void CFotoHarvest::ClearValues()
{
    // Dimensions, size and file date stay: the next ReadImage sets them.
    const auto width = m_nWidth;
    const auto height = m_nHeight;
    StoreTags(PhotoTags{});
    m_nWidth = width;
    m_nHeight = height;
}

std::string CFotoHarvest::GetDateTime()
{
    if (m_strDateTime.empty())
        m_strDateTime = m_strFileDate;
    return m_strDateTime;
}

std::string CFotoHarvest::GetMakeAndModel() const
{
    return m_strMake + ' ' + m_strModel;
}

std::string CFotoHarvest::GetDimensions() const
{
    // Orientations 5 to 8 are quarter turns, so the picture as shown is turned on its side.
    const int orientation = ReadLeadingInt(m_strOrientation);
    const bool quarterTurn = orientation >= 5 && orientation <= 8;
    const auto shownWidth = quarterTurn ? m_nHeight : m_nWidth;
    const auto shownHeight = quarterTurn ? m_nWidth : m_nHeight;
    return std::to_string(shownWidth) + 'x' + std::to_string(shownHeight);
}

std::string CFotoHarvest::GetFileSize() const
{
    return m_nFileSize ? std::to_string(*m_nFileSize) : std::string();
}

std::string CFotoHarvest::GetFocalLength() const
{
    return CUtility().TextBefore(m_strFocalLength, " ");
}

std::string CFotoHarvest::GetSubjectDistance() const
{
    return CUtility().TextBefore(m_strSubjectDistance, " ");
}

std::string CFotoHarvest::GetGPSImgDirection() const
{
    return CUtility().TextBefore(m_strGPSImgDirection, ".");
}

std::string CFotoHarvest::GetLensModel() const
{
    return m_strLensModel.empty() ? std::string("Unknown") : m_strLensModel;
}

std::string CFotoHarvest::GetLatitude() const
{
    return FormatDecimalDegrees(m_Latitude);
}

std::string CFotoHarvest::GetLongitude() const
{
    return FormatDecimalDegrees(m_Longitude);
}

std::string CFotoHarvest::GetGPSAltitude() const
{
    float altitude = static_cast<float>(ReadLeadingDouble(m_strGPSAltitude));
    if (!std::isfinite(altitude) || !(static_cast<double>(altitude) > 0.01))
        return {};
    // The reference is a BYTE (turned into the character with code 1) or a number as text.
    const bool belowSeaLevel = m_strGPSAltitudeRef == "\x01" || ReadLeadingInt(m_strGPSAltitudeRef) == 1;
    if (belowSeaLevel)
        altitude = -altitude;
    return FormatFixed(altitude, 2);
}

std::string CFotoHarvest::GetGPSDateTime() const
{
    return m_strGPSDateStamp + ' ' + m_strGPSTimeStamp;
}

std::string FormatDecimalDegrees(const GpsCoordinate& coordinate)
{
    // A photo without the tag holds three zeros. Positions near the equator or the prime meridian
    // are real and are printed.
    if (coordinate.degrees == 0.0f && coordinate.minutes == 0.0f && coordinate.seconds == 0.0f)
        return {};
    const float minutes = static_cast<float>(double(coordinate.minutes) + double(coordinate.seconds) / 60.0);
    float value = static_cast<float>(double(coordinate.degrees) + double(minutes) / 60.0);
    if (coordinate.reference == "S" || coordinate.reference == "W")
        value = -value;
    if (!std::isfinite(value))
        return {};
    return FormatFixed(value, 6);
}
