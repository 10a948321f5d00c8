#include "extract/ExtractionSettings.h"

#include "extract/ColumnCatalogue.h"
#include "extract/DateFormat.h"
#include "extract/RecordComposer.h"

#include <algorithm>
#include <utility>

bool ExtractionSettings::IsColumnTicked(int column) const
{
    return column >= 0 && static_cast<std::size_t>(column) < Flags.size() && Flags[column] == '1';
}

bool ExtractionSettings::ChoosesAnyColumn() const
{
    return !ChosenColumns(*this).empty();
}

std::vector<std::string> ExtractionSettings::ExtraTagKeys() const
{
    std::vector<std::string> keys;
    std::string::size_type start = 0;
    while (start <= ExtraTags.size()) {
        const auto end = std::min(ExtraTags.find(TagKeySeparator, start), ExtraTags.size());
        if (end > start)
            keys.push_back(ExtraTags.substr(start, end - start));
        start = end + 1;
    }
    return keys;
}

std::string JoinTagKeys(const std::vector<std::string>& keys)
{
    std::string text;
    for (const std::string& key : keys) {
        if (!text.empty())
            text += ExtractionSettings::TagKeySeparator;
        text += key;
    }
    return text;
}

std::string& SettingField::Text(ExtractionSettings& settings) const
{
    return month >= 0 ? settings.MonthNames[month] : settings.*text;
}

std::int32_t& SettingField::Number(ExtractionSettings& settings) const
{
    return settings.*number;
}

namespace {

SettingField TextField(const char* name, std::string ExtractionSettings::*member)
{
    return {name, SettingField::Kind::Text, member, nullptr, -1};
}

SettingField NumberField(const char* name, std::int32_t ExtractionSettings::*member)
{
    return {name, SettingField::Kind::Number, nullptr, member};
}

SettingField NumberField(const char* name, std::int32_t ExtractionSettings::*member, std::int32_t minimum,
                         std::int32_t maximum)
{
    return {name, SettingField::Kind::Number, nullptr, member, -1, minimum, maximum};
}

void AppendMonthFields(std::vector<SettingField>& fields)
{
    for (int month = 0; month < ExtractionSettings::MonthCount; ++month)
        fields.push_back({"Month" + std::to_string(month + 1), SettingField::Kind::Text, nullptr, nullptr, month});
}

std::vector<SettingField> MakePersistedFields()
{
    std::vector<SettingField> fields{
        TextField("Folder", &ExtractionSettings::Folder),
        TextField("OutFile", &ExtractionSettings::OutFile),
        TextField("Flags", &ExtractionSettings::Flags),
        NumberField("CommentLine", &ExtractionSettings::CommentLine),
    };
    AppendMonthFields(fields);
    // -1 is kept: it is what a run stores when the separator was typed rather than chosen, and then
    // SeparatorText holds it.
    const auto lastSeparator = static_cast<std::int32_t>(SeparatorListEntries().size()) - 1;
    for (auto field : {NumberField("DateFormat", &ExtractionSettings::DateFormat, 0, DateLayoutCount - 1),
                       NumberField("FullFilePath", &ExtractionSettings::FullFilePath),
                       NumberField("SeparatorNum", &ExtractionSettings::SeparatorNum, -1, lastSeparator),
                       TextField("SeparatorText", &ExtractionSettings::SeparatorText),
                       NumberField("SubSeconds", &ExtractionSettings::SubSeconds),
                       NumberField("SubFolders", &ExtractionSettings::SubFolders),
                       NumberField("Formats", &ExtractionSettings::Formats, 0, 2),
                       NumberField("Spreadsheet", &ExtractionSettings::Spreadsheet, 0, 1),
                       NumberField("MapFile", &ExtractionSettings::MapFile, 0, 1),
                       TextField("ExtraTags", &ExtractionSettings::ExtraTags)})
        fields.push_back(std::move(field));
    return fields;
}

}  // namespace

const std::vector<SettingField>& PersistedSettingFields()
{
    static const std::vector<SettingField> fields = MakePersistedFields();
    return fields;
}

ExtractionSettings DefaultSettings(const std::array<std::string, ExtractionSettings::MonthCount>& monthNames)
{
    ExtractionSettings settings;
    settings.Flags = std::string(ColumnCount(), '0');  // as the store keeps them
    settings.MonthNames = monthNames;
    return settings;
}
