#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reads delimited text as RFC 4180 and spreadsheets do: a field in double quotes may hold the
// separator, line breaks and doubled quotes; records end at LF. What the program writes must come
// back through this field for field.
inline std::vector<std::vector<std::string>> ParseCsv(std::string_view text, std::string_view separator = ",")
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (at + 1 < text.size() && text[at + 1] == '"')
                field += text[++at];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (!separator.empty() && text.substr(at, separator.size()) == separator) {
            fields.push_back(std::move(field));
            field.clear();
            at += separator.size() - 1;
        } else if (c == '\n') {
            fields.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(fields));
            fields.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !fields.empty()) {
        fields.push_back(std::move(field));
        records.push_back(std::move(fields));
    }
    return records;
}
