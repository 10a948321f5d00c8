#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits delimited text the way spreadsheets read it (RFC 4180): a field that starts with a quote
// runs to the next lone quote, a doubled quote inside it stands for one, and a line break inside
// quotes belongs to the field. A bare field is taken as it stands.
inline std::vector<std::vector<std::string>> ParseCsv(std::string_view text, char separator = ',')
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == separator) {
            row.push_back(std::move(field));
            field.clear();
            fieldStarted = false;
        } else if (c == '\n') {
            row.push_back(std::move(field));
            rows.push_back(std::move(row));
            row.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !row.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}
