#include "extract/RecordComposer.h"

#include "metadata/CFotoHarvest.h"
#include "metadata/TextEncoding.h"

#include <utility>

RecordComposer::RecordComposer(std::string separator, DateLayout layout)
    : m_separator(std::move(separator)), m_layout(std::move(layout))
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

std::optional<std::string> RecordComposer::Record(std::string_view name, const ColumnSelection& ticked,
                                                  CFotoHarvest& reader) const
{
    std::string line;
    // A file name is bytes to the system; the file must be UTF-8 for every program that opens it.
    AppendQuoted(line, Utf8FromUnstated(name));
    bool anyValue = false;
    for (int column = 0; column < ColumnCount; ++column) {
        if (!ticked[column])
            continue;
        const Column& definition = ColumnCatalogue()[column];
        const std::string value = definition.value(reader, m_layout);
        anyValue = anyValue || !value.empty();
        line += m_separator;
        if (definition.quoting == Column::Quoting::Quoted)
            AppendQuoted(line, value);
        else
            AppendBare(line, value);
    }
    if (!anyValue)
        return std::nullopt;
    return line;
}

void RecordComposer::AppendQuoted(std::string& line, std::string_view value) const
{
    line += '"';
    for (char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

void RecordComposer::AppendBare(std::string& line, std::string_view value) const
{
    const bool holdsSeparator = !m_separator.empty() && value.find(m_separator) != std::string_view::npos;
    if (holdsSeparator || value.find_first_of("\"\r\n") != std::string_view::npos)
        AppendQuoted(line, value);
    else
        line += value;
}

std::string SeparatorFromText(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.front() == 'T')
        return "\t";
    // A character beyond ASCII is several bytes in UTF-8; take them all, never half a character.
    std::size_t length = 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        ++length;
    return std::string(text.substr(0, length));
}

const std::array<std::string_view, 4>& SeparatorListEntries()
{
    static constexpr std::array<std::string_view, 4> entries{", (comma)", ": (colon)", "; (semi colon)", "Tab"};
    return entries;
}
