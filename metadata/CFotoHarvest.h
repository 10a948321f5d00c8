#pragma once

#include "metadata/PhotoTags.h"
#include "metadata/TagSource.h"

#include <cstdint>
#include <optional>
#include <string>

// The metadata reader of one run: ReadImage fills the value slots from one photo, the value
// operations turn the slots into the texts of the output columns, ClearValues empties the slots
// before the next photo. No value operation touches the file.
class CFotoHarvest {
public:
    explicit CFotoHarvest(TagSource& source);

    // Reads the photo's file status and tags into the slots. Never fails: an unreadable photo
    // leaves 0 by 0 pixels, no tags and whatever the file status gives.
    int ReadImage(const std::string& path);
    void ClearValues();
    // How the last ReadImage ended.
    ReadOutcome LastOutcome() const { return m_lastOutcome; }

    std::string GetMake() const { return m_strMake; }
    std::string GetModel() const { return m_strModel; }
    std::string GetExposureTime() const { return m_strExposureTime; }
    std::string GetFNumber() const { return m_strFNumber; }
    std::string GetISOSpeed() const { return m_strISOSpeed; }
    std::string GetFlash() const { return m_strFlash; }
    std::string GetComment() const { return m_strComment; }
    std::string GetHeadline() const { return m_strHeadline; }
    std::string GetCaption() const { return m_strCaption; }
    std::string GetKeywords() const { return m_strKeywords; }
    std::string GetXPKeywords() const { return m_strXPKeywords; }
    std::string GetXPComment() const { return m_strXPComment; }
    std::string GetXPAuthor() const { return m_strXPAuthor; }
    std::string GetXPSubject() const { return m_strXPSubject; }
    std::string GetXPTitle() const { return m_strXPTitle; }

    // The capture date: the Exif date, else the file's creation time (which then stays in the slot).
    std::string GetDateTime();
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
    void StoreTags(PhotoTags&& tags);

    TagSource& m_source;
    ReadOutcome m_lastOutcome = ReadOutcome::Read;

    std::int32_t m_nHeight = 0;
    std::int32_t m_nWidth = 0;
    std::optional<std::int64_t> m_nFileSize;  // empty when the file status could not be read
    std::string m_strDateTime;
    std::string m_strFNumber;
    std::string m_strExposureTime;
    std::string m_strISOSpeed;
    std::string m_strMake;
    std::string m_strModel;
    std::string m_strFlash;
    std::string m_strFocalLength;
    std::string m_strSubjectDistance;
    GpsCoordinate m_Latitude;
    GpsCoordinate m_Longitude;
    std::string m_strComment;
    std::string m_strGPSAltitude;
    std::string m_strGPSTimeStamp;
    std::string m_strGPSImgDirection;
    std::string m_strGPSDateStamp;
    std::string m_strHeadline;
    std::string m_strCaption;
    std::string m_strKeywords;
    std::string m_strLensModel;
    std::string m_strXPKeywords;
    std::string m_strXPAuthor;
    std::string m_strXPComment;
    std::string m_strXPSubject;
    std::string m_strXPTitle;
    std::string m_strGPSAltitudeRef;
    std::string m_strFileDate;
    std::string m_strOrientation = "0";
};

// A coordinate as signed decimal degrees with six decimals; "" when the photo has none.
std::string FormatDecimalDegrees(const GpsCoordinate& coordinate);
