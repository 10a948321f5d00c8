#include "fuzz/FuzzChecks.h"

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/RecordComposer.h"
#include "metadata/PhotoValues.h"
#include "metadata/TagWire.h"
#include "metadata/TextEncoding.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// Hands the same reading to every photo, so that the formatting sees exactly what the reader sent.
class GivenReading : public TagSource {
public:
    explicit GivenReading(const TagReading& reading) : m_reading(reading) {}
    TagReading Read(const std::string&) override { return m_reading; }

private:
    const TagReading& m_reading;
};

// The fields of a record, split the way a spreadsheet reads it: a field that starts with a quote
// runs to the next lone quote. -1 when the record is not well-formed.
int CountFields(std::string_view record, std::string_view separator)
{
    int fields = 0;
    std::size_t at = 0;
    for (;;) {
        ++fields;
        if (at < record.size() && record[at] == '"') {
            ++at;
            for (;;) {
                const std::size_t quote = record.find('"', at);
                if (quote == std::string_view::npos)
                    return -1;
                at = quote + 1;
                if (at < record.size() && record[at] == '"')
                    ++at;
                else
                    break;
            }
            if (at == record.size())
                return fields;
            if (record.substr(at, separator.size()) != separator)
                return -1;
            at += separator.size();
        } else {
            const std::size_t next = record.find(separator, at);
            if (next == std::string_view::npos)
                return record.find_first_of("\"\r\n", at) == std::string_view::npos ? fields : -1;
            if (record.substr(at, next - at).find_first_of("\"\r\n") != std::string_view::npos)
                return -1;
            at = next + separator.size();
        }
    }
}

}  // namespace

void Require(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

void CheckWireRoundTrip(const TagReading& reading)
{
    const std::string sent = tagwire::EncodeReading(reading);
    std::string framed = tagwire::Frame(tagwire::Kind::Reading, sent);
    tagwire::Message message;
    Require(tagwire::TakeMessage(framed, message) == tagwire::Taken::Message && framed.empty() &&
                message.kind == tagwire::Kind::Reading && message.body == sent,
            "a framed reading is taken whole");
    const std::optional<TagReading> received = tagwire::DecodeReading(message.body);
    Require(received.has_value(), "an encoded reading decodes");
    Require(*received == reading, "a decoded reading is the reading sent");
}

void CheckRecords(const TagReading& reading)
{
    GivenReading source(reading);
    PhotoValues values(source);
    // No such file: the size and file date stay empty, and no file is touched.
    values.ReadImage(std::string());
    // Every built-in column, and a tag's column for each value the reading holds by key.
    std::vector<Column> every = ColumnCatalogue();
    for (std::size_t slot = 0; slot < reading.keyed.size(); ++slot)
        every.push_back(TagColumn("Xmp.xmp.Rating", slot));
    const std::array<std::string, ExtractionSettings::MonthCount> months{
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    for (int layout = 0; layout < DateLayoutCount; ++layout) {
        for (const std::string_view separator : {",", "\t", "\xC2\xA7"}) {
            const RecordComposer composer(std::string(separator), DateLayout{layout, months});
            const std::optional<std::string> record = composer.Record("photo.jpg", every, values);
            // The lens model reads "Unknown" when the photo names none, so a record is never empty.
            Require(record.has_value(), "every photo has a record");
            Require(CountFields(*record, separator) == static_cast<int>(every.size()) + 1,
                    "a record holds one field per column");
            Require(IsValidUtf8(*record), "a record is UTF-8 whatever the photo holds");
        }
    }
}
