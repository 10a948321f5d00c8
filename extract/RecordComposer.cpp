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

bool IsPlainNumber(std::string_view text)
{
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    bool digits = false;
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

RecordComposer::RecordComposer(std::string separator, DateLayout layout, bool forSpreadsheets)
    : m_separator(std::move(separator)), m_layout(std::move(layout)), m_forSpreadsheets(forSpreadsheets)
{
}

std::string RecordComposer::HeadingLine(const ColumnSelection& ticked) const
{
    // The headings are our own texts and hold no quotes, so they are written as they are.
    std::string line = "!\"Filename\"";
    for (int column = 0; column < ColumnCount; ++column) {
        if (!ticked[column])
            continue;
        line += m_separator;
        line += '"';
        line += ColumnCatalogue()[column].heading;
        line += '"';
    }
    return line;
}

ColumnValues RecordComposer::Values(const ColumnSelection& ticked, PhotoValues& reader) const
{
    ColumnValues values;
    for (int column = 0; column < ColumnCount; ++column)
        if (ticked[column])
            values[column] = ColumnCatalogue()[column].value(reader, m_layout);
    return values;
}

std::optional<std::string> RecordComposer::Record(std::string_view name, const ColumnSelection& ticked,
                                                  PhotoValues& reader) const
{
    return Record(name, ticked, Values(ticked, reader));
}

std::optional<std::string> RecordComposer::Record(std::string_view name, const ColumnSelection& ticked,
                                                  const ColumnValues& values) const
{
    std::string line;
    // A file name is bytes to the system; the file must be UTF-8 for every program that opens it.
    AppendQuoted(line, Utf8FromUnstated(name), true);
    bool anyValue = false;
    for (int column = 0; column < ColumnCount; ++column) {
        if (!ticked[column])
            continue;
        const Column& definition = ColumnCatalogue()[column];
        const std::string& value = values[column];
        anyValue = anyValue || !value.empty();
        line += m_separator;
        switch (definition.quoting) {
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
