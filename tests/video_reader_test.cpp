// The two readings of a video's texts that the comparison with exiftool does not reach: ISO 6709
// positions in every form the standard allows, and the dates, each with what must be refused.

#include "readers/VideoTagReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

TEST(VideoTexts, Iso6709PositionsInDegreesMinutesOrSecondsAndNothingForAnythingElse)
{
    const struct {
        const char* text;
        std::optional<VideoPosition> position;
    } cases[] = {
        {"+48.8566+002.3522/", VideoPosition{48.8566, 2.3522, {}}},
        {"+1.5-2.5+7CRSWGS_84/", VideoPosition{1.5, -2.5, 7}},
        {"+4851.396+00221.132/", VideoPosition{48 + 51.396 / 60, 2 + 21.132 / 60, {}}},
        {"+485123.76-0021407.5/", VideoPosition{48 + 51 / 60.0 + 23.76 / 3600, -(2 + 14 / 60.0 + 7.5 / 3600), {}}},
        {"", std::nullopt},
        {"48.8566+002.3522/", std::nullopt},                         // no sign
        {"+48.8566/", std::nullopt},                                 // no longitude
        {"+.5+.5/", std::nullopt},                                   // no whole degrees
        {"+90.5+000.0/", std::nullopt},                              // beyond the pole
        {"+00.0+180.5/", std::nullopt},                              // beyond the date line
        {"+4860.0+00200.0/", std::nullopt},                          // 60 minutes
        {"+485160+0020000/", std::nullopt},                          // 60 seconds
        {"+048.85+002.35/", std::nullopt},                           // three digits of latitude
        {"+48.85+0002.35/", std::nullopt},                           // four digits of longitude
        {"+48.8+2.3+1234567890123/", VideoPosition{48.8, 2.3, {}}},  // an altitude of too many digits
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const std::optional<VideoPosition> position = ParseIso6709(text);
        ASSERT_EQ(position.has_value(), expected.has_value());
        if (position) {
            EXPECT_NEAR(position->latitude, expected->latitude, 1e-9);
            EXPECT_NEAR(position->longitude, expected->longitude, 1e-9);
            EXPECT_EQ(position->altitude, expected->altitude);  // as the text writes it: exact
        }
    }
}

TEST(VideoTexts, APhonesDateAsWrittenAndAUtcOneInTheComputersZoneOfThatDay)
{
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    const struct {
        const char* text;
        const char* wallClock;
        const char* fromUtc;
    } cases[] = {
        {"2023-01-15 10:00:00", "2023:01:15 10:00:00", "2023:01:15 11:00:00"},  // winter time
        {"2023-04-05T06:07:08-0500", "2023:04:05 06:07:08", ""},                // not UTC
        {"2023-13-01T00:00:00Z", "", ""},
        {"2023-04-05T24:00:00+0200", "", ""},
        {"2023-04-05T06:07", "", ""},
        {"2023:04:05 06:07:08", "", ""},
    };
    for (const auto& [text, wallClock, fromUtc] : cases) {
        EXPECT_EQ(WallClockDate(text), wallClock) << text;
        EXPECT_EQ(LocalDateOfUtc(text), fromUtc) << text;
    }
}
