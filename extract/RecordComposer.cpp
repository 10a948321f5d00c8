#include "extract/RecordComposer.h"

#include "metadata/PhotoValues.h"
#include "metadata/TextEncoding.h"

#include <algorithm>
#include <utility>

namespace {

// A text that a spreadsheet would take for a formula. Any such text in a text column is kept as
// text, even one that reads as a number ("+44" stays "+44"); number columns are never touched.
bool LooksLikeAFormula(std::string_view value)
{
    return !value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos;
}

}  // namespace

RecordComposer::RecordComposer(std::string separator, DateLayout layout, bool forSpreadsheets)
    : m_separator(std::move(separator)), m_layout(std::move(layout)), m_forSpreadsheets(forSpreadsheets)
{
}

std::string RecordComposer::HeadingLine(const std::vector<Column>& columns) const
{
    // The headings are our own texts or tag keys, none of which a spreadsheet takes for a formula.
    std::string line = "!\"Filename\"";
    for (const Column& column : columns) {
        line += m_separator;
        AppendQuoted(line, column.heading, false);
    }
    return line;
}

Fields RecordComposer::Values(const std::vector<Column>& columns, const PhotoValues& photo) const
{
    Fields fields;
    fields.reserve(columns.size());
    for (const Column& column : columns)
        fields.push_back(column.ValueOf(photo, m_layout));
    return fields;
}

std::optional<std::string> RecordComposer::Record(std::string_view name, const std::vector<Column>& columns,
                                                  const PhotoValues& photo) const
{
    return Record(name, columns, Values(columns, photo));
}

std::optional<std::string> RecordComposer::Record(std::string_view name, const std::vector<Column>& columns,
                                                  const Fields& fields) const
{
    std::string line;
    // A file name is bytes to the system; the file must be UTF-8 for every program that opens it.
    AppendQuoted(line, Utf8FromUnstated(name), true);
    bool anyValue = false;
    for (std::size_t column = 0; column < columns.size() && column < fields.size(); ++column) {
        const Field& field = fields[column];
        const std::string& value = field.text;
        anyValue = anyValue || !value.empty();
        line += m_separator;
        if (field.type == Field::Type::Number) {
            AppendBare(line, value, false);
            continue;
        }
        switch (columns[column].quoting) {
        case Column::Quoting::Quoted:
            AppendQuoted(line, value, true);
            break;
        case Column::Quoting::Bare:
            AppendBare(line, value, true);
            break;
        case Column::Quoting::Number:
            AppendBare(line, value, false);
            break;
        }
    }
    if (!anyValue)
        return std::nullopt;
    return line;
}

void RecordComposer::AppendQuoted(std::string& line, std::string_view value, bool isText) const
{
    line += '"';
    if (m_forSpreadsheets && isText && LooksLikeAFormula(value))
        line += '\'';
    for (char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

void RecordComposer::AppendBare(std::string& line, std::string_view value, bool isText) const
{
    const bool holdsSeparator = !m_separator.empty() && value.find(m_separator) != std::string_view::npos;
    if (holdsSeparator || value.find_first_of("\"\r\n") != std::string_view::npos) {
        AppendQuoted(line, value, isText);
        return;
    }
    if (m_forSpreadsheets && isText && LooksLikeAFormula(value))
        line += '\'';
    line += value;
}

std::string SeparatorFromText(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.front() == 'T')
        return "\t";
    // A character beyond ASCII is several bytes in UTF-8; take them all, never half a character.
    return std::string(text.substr(0, std::max<std::size_t>(Utf8CharacterLength(text), 1)));
}

const std::array<std::string_view, 4>& SeparatorListEntries()
{
    static constexpr std::array<std::string_view, 4> entries{", (comma)", ": (colon)", "; (semi colon)", "Tab"};
    return entries;
}
